// Host lookups kept in flight by a DNS server on loopback that never
// answers, so that cancellation meets requests that are still under way.

#include <gtest/gtest.h>

#include <string>

#include "components/ipinfo/lookup_test_support.h"
#include "platform/async_lookup.h"
#include "platform/udp_sink_posix_test_support.h"

namespace velmora::components::testing_lookup {
namespace {

class IPInfoLookupsInFlight : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sink.ready());
    ASSERT_TRUE(platform::setLookupServersForTesting(sink.server()));
    ASSERT_TRUE(client.created());
  }
  void TearDown() override { platform::setLookupServersForTesting(""); }

  platform::UdpSink sink;
  LookupClient client;
};

TEST_F(IPInfoLookupsInFlight, CancelledQueriesRaiseNothingAndFreeTheirBuffers) {
  ASSERT_EQ(client.setText(kHostName, "first.silent.test"), 0);
  ASSERT_EQ(client.setText(kHostName, "second.silent.test"), 0);
  ASSERT_EQ(client.setNumber(kPendingRequests, 0), 0);
  // Reuses the buffers of the cancelled queries; answered locally.
  ASSERT_EQ(client.setText(kHostName, "127.0.0.1"), 0);
  const intptr_t id = client.number(kRequestId);
  ASSERT_TRUE(client.awaitCompletions(1, 2000));
  client.pumpFor(100);
  ASSERT_EQ(client.completions().size(), 1u);
  EXPECT_EQ(client.completions()[0].first, id);
  EXPECT_EQ(client.text(kHostAddress), "127.0.0.1");
  EXPECT_TRUE(client.errors().empty());
}

// Run under AddressSanitizer this shows that starting, cancelling and
// queueing again neither touches freed memory nor leaks.
TEST_F(IPInfoLookupsInFlight, TenThousandStartedAndCancelledLookups) {
  for (int i = 0; i < 10000; ++i) {
    const std::string name = "n" + std::to_string(i) + ".silent.test";
    ASSERT_EQ(client.setText(kHostName, name), 0) << i;
    if (i % 7 == 3) {
      ASSERT_EQ(client.setNumber(kPendingRequests, client.number(kPendingRequests) - 1), 0);
    }
    if (i % 10 == 0) client.setText(kHostName, "127.0.0.1");
    if (client.number(kPendingRequests) >= 90) {
      client.call(kDoEvents, "");
      ASSERT_EQ(client.setNumber(kPendingRequests, 0), 0);
    }
  }
  ASSERT_EQ(client.call(kReset, ""), 0);
  client.pumpFor(100);
  EXPECT_EQ(client.number(kPendingRequests), 0);
  // Only numeric names can have been answered, and nothing cancelled may
  // have been taken for one of them.
  for (const RecordedEvent& e : client.completions()) EXPECT_EQ(e.second, 0);
  for (const RecordedEvent& e : client.errors()) EXPECT_EQ(e.first, 132);
}

}  // namespace
}  // namespace velmora::components::testing_lookup
