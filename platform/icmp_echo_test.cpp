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

// The same over IPv6 to ::1, where this system gives an ICMPv6 handle.
TEST(Icmp6EchoLoopback, ReplyRecordDescribesTheEcho) {
  uint16_t granted = 0;
  ASSERT_EQ(socketsStartup(&granted), 0);
  uint32_t error = 0;
  std::unique_ptr<Icmp6Echo> echo = Icmp6Echo::open(&error);
  if (!echo) {
    socketsCleanup();
    GTEST_SKIP() << "no ICMPv6 handle here, error " << error;
  }
  SocketAddress loopback;
  loopback.family = kFamilyIPv6;
  loopback.address[15] = 1;
  const std::string payload(32, 'a');
  Echo6Reply reply;
  reply.status = 12345;
  const uint32_t count = echo->send(loopback, payload.data(), 32, 32 + 128, 1500, &reply);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(reply.status, 0u);
  EXPECT_EQ(reply.address.family, kFamilyIPv6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply.address.address), 16),
            std::string(reinterpret_cast<const char*>(loopback.address), 16));
  EXPECT_EQ(reply.dataSize, 32);
  EXPECT_LT(reply.roundTripTime, 1000u);
  Echo6Reply small;
  EXPECT_EQ(echo->send(loopback, "abcd", 4, 8, 1500, &small), 0u);
  EXPECT_NE(small.status, 0u) << "a failed call must not read as success";
  echo.reset();
  socketsCleanup();
}

}  // namespace
}  // namespace velmora::platform
