#include "platform/ip_config.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>

#include "platform/adapters.h"
#include "platform/proc_net.h"

namespace velmora::platform {
namespace {

// Windows codes for what Linux has no interface for.
constexpr uint32_t kNotSupported = 50;
constexpr uint32_t kBadNetName = 67;

struct IfaddrsDeleter {
  void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

ResolverConfig systemResolverConfig() {
  std::string text;
  readTextFile("/etc/resolv.conf", &text);
  return parseResolverConfig(text);
}

uint32_t procFlag(const char* path) {
  std::string text;
  return readTextFile(path, &text) ? static_cast<uint32_t>(std::atoi(text.c_str())) : 0;
}

uint8_t prefixLength(const std::string& mask) {
  in_addr bits = {};
  if (inet_pton(AF_INET, mask.c_str(), &bits) != 1) return 0;
  return static_cast<uint8_t>(__builtin_popcount(ntohl(bits.s_addr)));
}

uint8_t prefixLength6(const sockaddr* mask) {
  if (mask == nullptr || mask->sa_family != AF_INET6) return 0;
  const auto* bytes = reinterpret_cast<const sockaddr_in6*>(mask)->sin6_addr.s6_addr;
  uint8_t length = 0;
  for (int i = 0; i < 16; ++i) length += static_cast<uint8_t>(__builtin_popcount(bytes[i]));
  return length;
}

// The IPv6 addresses of every interface, by interface name.
std::map<std::string, std::vector<UnicastAddress>> ipv6Addresses() {
  std::map<std::string, std::vector<UnicastAddress>> byName;
  ifaddrs* raw = nullptr;
  if (getifaddrs(&raw) != 0) return byName;
  std::unique_ptr<ifaddrs, IfaddrsDeleter> list(raw);
  for (const ifaddrs* e = list.get(); e != nullptr; e = e->ifa_next) {
    if (e->ifa_addr == nullptr || e->ifa_addr->sa_family != AF_INET6) continue;
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(e->ifa_addr)->sin6_addr, text,
              sizeof text);
    byName[e->ifa_name].push_back({6, text, prefixLength6(e->ifa_netmask), 0xFFFFFFFF, 0});
  }
  return byName;
}

AdapterAddressesRecord newerForm(const AdapterRecord& adapter,
                                 const std::vector<UnicastAddress>& ipv6,
                                 const std::vector<std::string>& dnsServers) {
  AdapterAddressesRecord record;
  record.adapterName = adapter.adapterName;
  record.description = adapter.description;
  record.index = adapter.index;
  record.type = adapter.type;
  record.hardwareAddress = adapter.hardwareAddress;
  record.gateways = adapter.gateways;
  record.dnsServers = dnsServers;
  for (const AdapterAddress& a : adapter.addresses) {
    if (a.address != "0.0.0.0")
      record.unicast.push_back({4, a.address, prefixLength(a.mask), 0xFFFFFFFF, 0});
  }
  record.unicast.insert(record.unicast.end(), ipv6.begin(), ipv6.end());
  return record;
}

}  // namespace

void acquireIpConfigLibraries() {}
void releaseIpConfigLibraries() {}

bool olderAdapterListOnly() { return false; }

bool readNetworkParams(NetworkParams* params) {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return false;
  const ResolverConfig config = systemResolverConfig();
  params->hostName = host;
  params->domainName = config.domain;
  params->dnsServers = config.servers;
  params->enableDns = config.servers.empty() ? 0 : 1;
  params->enableRouting = procFlag("/proc/sys/net/ipv4/ip_forward");
  params->enableProxy = procFlag("/proc/sys/net/ipv4/conf/all/proxy_arp");
  return true;
}

bool listAdapterAddresses(std::vector<AdapterAddressesRecord>* adapters) {
  std::vector<AdapterRecord> older;
  adapters->clear();
  if (!listAdapters(&older)) return false;
  const std::vector<std::string> dnsServers = systemResolverConfig().servers;
  std::map<std::string, std::vector<UnicastAddress>> ipv6 = ipv6Addresses();
  for (const AdapterRecord& adapter : older) {
    adapters->push_back(newerForm(adapter, ipv6[adapter.adapterName], dnsServers));
  }
  return true;
}

// The resolver configuration is machine-wide; it applies to every adapter.
int perAdapterDnsServers(uint32_t, std::vector<std::string>* servers) {
  *servers = systemResolverConfig().servers;
  return 0;
}

uint32_t dhcpLeaseOperation(uint32_t, bool, DhcpStep* failedStep) {
  *failedStep = DhcpStep::kOperation;
  return kNotSupported;
}

// Only the kernel's neighbour table is consulted: no request is sent.
uint32_t sendArp(uint32_t destination, uint32_t, std::vector<uint8_t>* bytes) {
  in_addr address = {};
  address.s_addr = destination;
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof text);
  std::string table;
  if (!readTextFile("/proc/net/arp", &table)) return kNotSupported;
  return neighbourHardwareAddress(table, text, bytes) ? 0 : kBadNetName;
}

uint32_t resolveNeighbour6(const std::string&, const std::string&, std::vector<uint8_t>*) {
  return kNotSupported;
}

bool flushResolverCache() { return false; }

bool readResolverCache(int, std::vector<CachedName>* names) {
  names->clear();
  return false;
}

}  // namespace velmora::platform
