#ifndef TAVRO_PLATFORM_PROC_NET_POSIX_H_
#define TAVRO_PLATFORM_PROC_NET_POSIX_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

/// The whole content of a text file such as /proc/net/route or a sysfs
/// attribute; false when it cannot be read.
bool readTextFile(const std::string& path, std::string* text);

/// Gateways of the default routes of interface `ifname` (every interface when
/// `ifname` is empty) in dotted text, in table order, from the text of
/// /proc/net/route (addresses in the host's little-endian byte order).
std::vector<std::string> defaultGateways(const std::string& routeTable, const std::string& ifname);

/// The gateways of the IPv6 default routes (::/0 through a next hop) of
/// interface `ifname` (every interface when empty), in table order, from the
/// text of /proc/net/ipv6_route.
std::vector<std::array<uint8_t, 16>> defaultGateways6(const std::string& routeTable,
                                                      const std::string& ifname);

/// The hardware address of the neighbour `address` from the text of
/// /proc/net/arp; false when it has no complete entry there.
bool neighbourHardwareAddress(const std::string& arpTable, const std::string& address,
                              std::vector<uint8_t>* bytes);

/// What a resolver configuration (/etc/resolv.conf) names: its servers in
/// order, and the domain ("domain", else the first "search" entry).
struct ResolverConfig {
  std::vector<std::string> servers;
  std::string domain;
};
ResolverConfig parseResolverConfig(const std::string& text);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_PROC_NET_POSIX_H_
