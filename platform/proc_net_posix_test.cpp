#include "platform/proc_net_posix.h"

#include <gtest/gtest.h>

namespace velmora::platform {
namespace {

const char kRoutes[] =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
    "eth1\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
    "eth1\t00000000\t0201A8C0\t0002\t0\t0\t100\t00000000\t0\t0\t0\n"
    "wg0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"
    "broken line\n";

TEST(DefaultGateways, TakesTheUpGatewayRoutesWithZeroDestinationAndMask) {
  EXPECT_EQ(defaultGateways(kRoutes, "eth0"), (std::vector<std::string>{"192.0.2.1"}));
  EXPECT_EQ(defaultGateways(kRoutes, "eth1"), (std::vector<std::string>{"192.168.1.1"}));
  EXPECT_TRUE(defaultGateways(kRoutes, "wg0").empty());
  EXPECT_EQ(defaultGateways(kRoutes, ""), (std::vector<std::string>{"192.0.2.1", "192.168.1.1"}));
  EXPECT_TRUE(defaultGateways("", "eth0").empty());
}

// /proc/net/ipv6_route: destination, length, source, length, next hop,
// metric, references, use, flags, device.
const char kRoutes6[] =
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fe800000000000000000000000000001 00000400 00000001 00000000 00450003 eth0\n"
    "fd000000000000000000000000000000 40 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000100 00000001 00000000 00000001 eth0\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fd000000000000000000000000000002 00000400 00000001 00000000 00000002 eth1\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200 lo\n"
    "short line\n";

TEST(DefaultGateways6, TakesTheUpGatewayRoutesToTheWholeSpace) {
  const std::array<uint8_t, 16> linkLocal = {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(defaultGateways6(kRoutes6, "eth0"), (std::vector<std::array<uint8_t, 16>>{linkLocal}));
  // A route that is not up, the on-link prefix and the unreachable default
  // of loopback name no gateway.
  EXPECT_TRUE(defaultGateways6(kRoutes6, "eth1").empty());
  EXPECT_TRUE(defaultGateways6(kRoutes6, "lo").empty());
  EXPECT_EQ(defaultGateways6(kRoutes6, "").size(), 1u);
}

TEST(NeighbourHardwareAddress, FindsOnlyCompleteEntries) {
  const char table[] =
      "IP address       HW type     Flags       HW address            Mask     Device\n"
      "192.0.2.1        0x1         0x2         00:1a:2b:3c:4d:5e     *        eth0\n"
      "192.0.2.9        0x1         0x0         00:00:00:00:00:00     *        eth0\n"
      "192.0.2.10       0x1         0x2         zz:1a                 *        eth0\n";
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(neighbourHardwareAddress(table, "192.0.2.1", &bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}));
  EXPECT_FALSE(neighbourHardwareAddress(table, "192.0.2.9", &bytes));
  EXPECT_FALSE(neighbourHardwareAddress(table, "192.0.2.10", &bytes));
  EXPECT_FALSE(neighbourHardwareAddress(table, "192.0.2.1 ", &bytes));
  EXPECT_FALSE(neighbourHardwareAddress(table, "192.0.2.2", &bytes));
}

}  // namespace
}  // namespace velmora::platform

namespace velmora::platform {
namespace {

TEST(ParseResolverConfig, TakesServersInOrderAndTheDomainBeforeTheSearchList) {
  const ResolverConfig config = parseResolverConfig(
      "# generated\nsearch corp.test other.test\nnameserver 10.0.0.53\n"
      "nameserver   fd00::35 # second\n;nameserver 10.9.9.9\noptions ndots:2\n"
      "domain home.test\nnameserver\n");
  EXPECT_EQ(config.servers, (std::vector<std::string>{"10.0.0.53", "fd00::35"}));
  EXPECT_EQ(config.domain, "home.test");
  EXPECT_EQ(parseResolverConfig("search a.test b.test\n").domain, "a.test");
  EXPECT_TRUE(parseResolverConfig("").servers.empty());
}

}  // namespace
}  // namespace velmora::platform
