#include "platform/host_address.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/error_codes.h"
#include "platform/inet.h"

namespace velmora::platform {
namespace {

class HostAddress : public ::testing::Test {
 protected:
  void SetUp() override {
    uint16_t granted = 0;
    ASSERT_EQ(socketsStartup(&granted), 0);
  }
  void TearDown() override { socketsCleanup(); }
};

// Numeric texts only: nothing here asks a name server.
TEST_F(HostAddress, IPv6LookupTakesTheFirstAddressAndItsCanonicalName) {
  SocketAddress address;
  std::string canonical = "unchanged";
  ASSERT_EQ(resolveIPv6("::1", true, &address, &canonical), 0);
  EXPECT_EQ(address.family, kFamilyIPv6);
  EXPECT_EQ(address.port, 0);
  EXPECT_EQ(numericIPv6Text(address), "::1");
  EXPECT_NE(canonical, "unchanged") << "the canonical name is always written";

  SocketAddress any;
  ASSERT_EQ(resolveIPv6("::1", false, &any), 0);
  EXPECT_EQ(numericIPv6Text(any), "::1");
}

// The POSIX translation of the resolver's answer; on Windows the code is the
// system's own (Wine passes the host resolver's value through unchanged).
#ifndef _WIN32
TEST_F(HostAddress, IPv4AddressIsNoIPv6Answer) {
  SocketAddress address;
  std::string canonical;
  EXPECT_EQ(resolveIPv6("127.0.0.1", true, &address), kWsaHostNotFound);
  EXPECT_EQ(resolveIPv6("127.0.0.1", true, &address, &canonical), kWsaHostNotFound);
}
#endif

// The vocabulary is the one place the numbers are written: a number given
// to two names of one list would make a table find the wrong text.
TEST(ErrorCodes, NoNumberNamedTwiceInOneList) {
  std::set<long> system, winsock, status;
#define TAVRO_COLLECT(name, number, text) EXPECT_TRUE(list.insert(number).second) << #name;
  {
    auto& list = system;
    TAVRO_SYSTEM_ERROR_CODES(TAVRO_COLLECT)
  }
  {
    auto& list = winsock;
    TAVRO_WINSOCK_ERROR_CODES(TAVRO_COLLECT)
  }
  {
    auto& list = status;
    TAVRO_IP_STATUS_CODES(TAVRO_COLLECT)
  }
#undef TAVRO_COLLECT
  EXPECT_EQ(kWsaHostNotFound, 11001);
  EXPECT_EQ(icmp::kBufferTooSmall, 11001u) << "the same number, another list";
}

}  // namespace
}  // namespace velmora::platform
