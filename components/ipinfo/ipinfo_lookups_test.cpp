// Lookups that the local system answers without sending anything: numeric
// host names and the services database.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "components/ipinfo/lookup_test_support.h"

namespace velmora::components::testing_lookup {
namespace {

constexpr uint32_t kAnswerMillis = 5000;
constexpr char kLoopback[] = "127.0.0.1";

class IPInfoLookups : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(client.created()); }
  LookupClient client;
};

TEST_F(IPInfoLookups, ServicePortReadsByteSwappedUntilTheAnswer) {
  ASSERT_EQ(client.setText(kServiceProtocol, "tcp"), 0);
  ASSERT_EQ(client.setNumber(kServicePort, 80), 0);
  EXPECT_EQ(client.number(kServicePort), 20480);
  EXPECT_EQ(client.number(kPendingRequests), 1);
  const intptr_t id = client.number(kRequestId);
  EXPECT_NE(id, 0);
  ASSERT_TRUE(client.awaitCompletions(1, kAnswerMillis));
  const RecordedEvent done = client.completions()[0];
  EXPECT_EQ(done.first, id);
  EXPECT_EQ(done.second, 0);
  EXPECT_EQ(done.description, "OK");
  EXPECT_EQ(client.number(kServicePort), 80);
  EXPECT_EQ(client.text(kServiceName), "http");
  EXPECT_EQ(client.text(kServiceProtocol), "");
  EXPECT_EQ(client.number(kPendingRequests), 0);
}

TEST_F(IPInfoLookups, ServiceByNameGivesPortAndAliasesForAnyProtocol) {
  ASSERT_EQ(client.setText(kServiceName, "http"), 0);
  EXPECT_EQ(client.number(kServicePort), 0);
  ASSERT_TRUE(client.awaitCompletions(1, kAnswerMillis));
  EXPECT_EQ(client.completions()[0].second, 0);
  EXPECT_EQ(client.number(kServicePort), 80);
  EXPECT_EQ(client.text(kServiceName), "http");
  EXPECT_EQ(client.text(kServiceAliases), "www");
  // An empty name starts nothing and keeps the last answer.
  EXPECT_EQ(client.setText(kServiceName, ""), 0);
  EXPECT_EQ(client.number(kPendingRequests), 0);
  EXPECT_EQ(client.text(kServiceName), "http");
}

TEST_F(IPInfoLookups, UnknownServiceCompletesWithItsCodeAndRestoresThePort) {
  ASSERT_EQ(client.setText(kServiceProtocol, "udp"), 0);
  ASSERT_EQ(client.setNumber(kServicePort, 1), 0);  // tcpmux exists for tcp only
  ASSERT_TRUE(client.awaitCompletions(1, kAnswerMillis));
  const RecordedEvent done = client.completions()[0];
  EXPECT_NE(done.second, 0);
  EXPECT_EQ(done.description.rfind("[" + std::to_string(done.second) + "] ", 0), 0u)
      << done.description;
  EXPECT_EQ(client.number(kServicePort), 1);
}

TEST_F(IPInfoLookups, NumericHostNameResolvesThroughTheQueue) {
  std::string result = "unset";
  ASSERT_EQ(client.call(kResolveName, kLoopback, &result), 0);
  EXPECT_EQ(result, "");  // the answer follows with RequestComplete
  EXPECT_EQ(client.text(kHostName), kLoopback);
  ASSERT_TRUE(client.awaitCompletions(1, kAnswerMillis));
  EXPECT_EQ(client.completions()[0].second, 0);
  EXPECT_EQ(client.text(kHostAddress), kLoopback);
  EXPECT_EQ(client.text(kOtherAddresses), "");
  // An empty name clears the results and starts nothing.
  EXPECT_EQ(client.setText(kHostName, ""), 0);
  EXPECT_EQ(client.text(kHostAddress), "");
  EXPECT_EQ(client.number(kPendingRequests), 0);
}

TEST_F(IPInfoLookups, BlockingResolveAnswersBeforeTheCallReturns) {
  ASSERT_EQ(client.call(kConfig, "BlockingResolve=true"), 0);
  ASSERT_EQ(client.setText(kHostName, kLoopback), 0);
  EXPECT_EQ(client.text(kHostAddress), kLoopback);
  ASSERT_EQ(client.completions().size(), 1u);
  EXPECT_EQ(client.completions()[0].second, 0);
  EXPECT_EQ(client.number(kPendingRequests), 0);
}

TEST_F(IPInfoLookups, TextThatIsNoDottedAddressGives134) {
  ASSERT_EQ(client.setText(kHostName, kLoopback), 0);
  EXPECT_EQ(client.setText(kHostAddress, "999.1.1.1"), 134);
  EXPECT_EQ(client.lastError(), "Could not resolve remote host: No such host is known.");
  EXPECT_EQ(client.text(kHostName), "");
  EXPECT_EQ(client.number(kPendingRequests), 1);
}

TEST_F(IPInfoLookups, The97thRequestIsRefusedAndTheQueueKept) {
  for (int i = 0; i < 96; ++i) ASSERT_EQ(client.setText(kHostName, kLoopback), 0) << i;
  const intptr_t lastId = client.number(kRequestId);
  EXPECT_EQ(client.setText(kHostAddress, kLoopback), 131);
  EXPECT_EQ(client.lastError(), "Request queue is full.");
  EXPECT_EQ(client.text(kHostName), kLoopback);  // refused before clearing
  EXPECT_EQ(client.setText(kServiceName, "http"), 131);
  EXPECT_EQ(client.setNumber(kServicePort, 22), 131);
  EXPECT_EQ(client.number(kPendingRequests), 96);
  EXPECT_EQ(client.number(kRequestId), lastId);
  ASSERT_TRUE(client.awaitCompletions(96, kAnswerMillis));
  // Winsock may answer in any order; each request is answered once.
  std::set<intptr_t> answered;
  for (const RecordedEvent& e : client.completions()) answered.insert(e.first);
  EXPECT_EQ(answered.size(), 96u);
  EXPECT_EQ(answered.count(lastId), 1u);
  EXPECT_TRUE(client.errors().empty());
  EXPECT_EQ(client.number(kPendingRequests), 0);
}

TEST_F(IPInfoLookups, PendingRequestsCancelsFromPositionAndLateAnswersGive132) {
  for (int port : {80, 443, 22}) ASSERT_EQ(client.setNumber(kServicePort, port), 0);
  EXPECT_EQ(client.setNumber(kPendingRequests, 7), 0);  // no such position: kept
  EXPECT_EQ(client.number(kPendingRequests), 3);
  ASSERT_EQ(client.setNumber(kPendingRequests, 1), 0);
  EXPECT_EQ(client.number(kPendingRequests), 1);
  client.pumpFor(500);
  ASSERT_EQ(client.completions().size(), 1u);
  EXPECT_EQ(client.text(kServiceName), "http");
  // Answers that were already on their way when cancelled match no request.
  for (const RecordedEvent& e : client.errors()) {
    EXPECT_EQ(e.first, 132);
    EXPECT_EQ(e.description, "Message for unknown request.");
  }
  EXPECT_LE(client.errors().size(), 2u);
}

TEST_F(IPInfoLookups, ACancelledAnswerNeverLandsInTheNextRequest) {
  ASSERT_EQ(client.setNumber(kServicePort, 80), 0);
  ASSERT_EQ(client.setNumber(kPendingRequests, 0), 0);
  // The new request takes the buffer the cancelled one had.
  ASSERT_EQ(client.setNumber(kServicePort, 22), 0);
  const intptr_t id = client.number(kRequestId);
  ASSERT_TRUE(client.awaitCompletions(1, kAnswerMillis));
  client.pumpFor(200);
  ASSERT_EQ(client.completions().size(), 1u);
  EXPECT_EQ(client.completions()[0].first, id);
  EXPECT_EQ(client.text(kServiceName), "ssh");
  EXPECT_EQ(client.number(kServicePort), 22);
}

TEST_F(IPInfoLookups, ResetAndDestructionCancelEverything) {
  for (int i = 0; i < 3; ++i) ASSERT_EQ(client.setText(kHostName, kLoopback), 0);
  ASSERT_EQ(client.call(kReset, ""), 0);
  EXPECT_EQ(client.number(kPendingRequests), 0);
  client.pumpFor(200);
  EXPECT_TRUE(client.completions().empty());
  ASSERT_EQ(client.setNumber(kServicePort, 80), 0);
  client.destroy();  // with a request outstanding; nothing may follow it
  EXPECT_TRUE(client.completions().empty());
}

}  // namespace
}  // namespace velmora::components::testing_lookup
