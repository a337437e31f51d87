#include "platform/inet.h"

#include <gtest/gtest.h>

namespace velmora::platform {
namespace {

class Inet : public testing::Test {
 protected:
  void SetUp() override {
    uint16_t granted = 0;
    ASSERT_EQ(socketsStartup(&granted), 0);
    EXPECT_EQ(granted, 0x0202);
  }
  void TearDown() override { socketsCleanup(); }
};

TEST_F(Inet, AddressTextRoundTripsInNetworkOrder) {
  const uint32_t address = inetAddr("192.0.2.7");
  const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
  EXPECT_EQ(bytes[0], 192);
  EXPECT_EQ(bytes[3], 7);
  EXPECT_EQ(inetNtoa(address), "192.0.2.7");
  EXPECT_EQ(inetNtoa(inetAddr("0.0.0.0")), "0.0.0.0");
}

TEST_F(Inet, RejectedTextAndAllOnesBothGiveNone) {
  EXPECT_EQ(inetAddr("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(inetAddr("server1"), 0xFFFFFFFFu);
  EXPECT_EQ(inetAddr("1.2.3.256"), 0xFFFFFFFFu);
  EXPECT_EQ(inetNtoa(0xFFFFFFFFu), "255.255.255.255");
}

TEST_F(Inet, NumericNodesResolveWithoutLookup) {
  std::vector<ResolvedAddress> out;
  ASSERT_EQ(getAddrInfo("127.0.0.1", nullptr, &out), 0);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out[0].family, 4);
  EXPECT_EQ(out[0].text, "127.0.0.1");
  ASSERT_EQ(getAddrInfo("::1", nullptr, &out), 0);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out[0].family, 6);
  EXPECT_EQ(out[0].text, "::1");
}

TEST_F(Inet, UnknownServiceGivesWindowsCode) {
  std::vector<ResolvedAddress> out;
  EXPECT_EQ(getAddrInfo("127.0.0.1", "no-such-service-here", &out), 10109);
}

}  // namespace
}  // namespace velmora::platform
