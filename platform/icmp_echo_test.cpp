#include "platform/icmp_echo.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/inet.h"

namespace velmora::platform {
namespace {

// Probes 127.0.0.1 only. Where this user may not open ICMP sockets the
// tests are skipped; the private-namespace tests cover both socket kinds.
class IcmpEchoLoopback : public testing::Test {
 protected:
  void SetUp() override {
    uint16_t granted = 0;
    ASSERT_EQ(socketsStartup(&granted), 0);
    uint32_t error = 0;
    echo_ = IcmpEcho::open(&error);
    if (!echo_) GTEST_SKIP() << "no ICMP handle here, error " << error;
  }
  void TearDown() override {
    echo_.reset();
    socketsCleanup();
  }
  std::unique_ptr<IcmpEcho> echo_;
};

TEST_F(IcmpEchoLoopback, ReplyRecordDescribesTheEcho) {
  const std::string payload(32, 'a');
  EchoReply reply;
  reply.status = 12345;
  const uint32_t count =
      echo_->send(inetAddr("127.0.0.1"), payload.data(), 32, 32 + 128, 1500, &reply);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(reply.status, 0u);
  EXPECT_EQ(inetNtoa(reply.address), "127.0.0.1");
  EXPECT_EQ(reply.dataSize, 32);
  EXPECT_GT(reply.ttl, 0);
  EXPECT_LT(reply.roundTripTime, 1000u);
}

TEST_F(IcmpEchoLoopback, ReplyBufferWithoutRoomForARecordFails) {
  EchoReply reply;
  const uint32_t count = echo_->send(inetAddr("127.0.0.1"), "abcd", 4, 8, 1500, &reply);
  EXPECT_EQ(count, 0u);
  EXPECT_NE(reply.status, 0u) << "a failed call must not read as success";
}

}  // namespace
}  // namespace velmora::platform
