#include "platform/ip_config.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <map>
#include <memory>

#include "platform/adapters.h"
#include "platform/adapters_posix.h"
#include "platform/neighbour_posix.h"
#include "platform/proc_net_posix.h"

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

std::string dotted(uint32_t networkOrder) {
  in_addr address = {};
  address.s_addr = networkOrder;
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
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

std::string ipv6Text(const std::array<uint8_t, 16>& bytes) {
  char text[INET6_ADDRSTRLEN] = {};
  inet_ntop(AF_INET6, bytes.data(), text, sizeof text);
  return text;
}

bool isLinkLocal(const UnicastAddress& address) {
  in6_addr bytes = {};
  if (address.family != 6 || inet_pton(AF_INET6, address.text.c_str(), &bytes) != 1) return false;
  return IN6_IS_ADDR_LINKLOCAL(&bytes);
}

AdapterAddressesRecord newerForm(const AdapterRecord& adapter,
                                 const std::vector<UnicastAddress>& ipv6,
                                 const std::vector<std::string>& dnsServers,
                                 const std::string& ipv6Routes) {
  AdapterAddressesRecord record;
  record.adapterName = adapter.adapterName;
  record.description = adapter.description;
  record.index = adapter.index;
  record.type = adapter.type;
  record.hardwareAddress = adapter.hardwareAddress;
  record.gateways = adapter.gateways;
  for (const auto& gateway : defaultGateways6(ipv6Routes, adapter.adapterName)) {
    record.gateways.push_back(ipv6Text(gateway));
  }
  record.dnsServers = dnsServers;
  for (const AdapterAddress& a : adapter.addresses) {
    if (a.address != "0.0.0.0")
      record.unicast.push_back({4, a.address, prefixLength(a.mask), 0xFFFFFFFF, 0});
  }
  record.unicast.insert(record.unicast.end(), ipv6.begin(), ipv6.end());
  // A link-local address is only meaningful with its link, whose zone is the
  // interface index.
  for (const UnicastAddress& a : ipv6) {
    if (isLinkLocal(a)) record.zoneIndex = adapter.index;
  }
  return record;
}

// As long as SendARP waits for a neighbour that does not answer.
constexpr uint32_t kNeighbourWaitMillis = 3000;

// The SendARP code for an answer of the neighbour table; false when there
// is no table to ask.
bool neighbourCode(NeighbourResult result, uint32_t* code) {
  if (result == NeighbourResult::kNoTable) return false;
  *code = result == NeighbourResult::kFound ? 0 : kBadNetName;
  return true;
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
  // The newer list shows every interface the system has, loopback included.
  if (!listInterfaceRecords(true, &older)) return false;
  const std::vector<std::string> dnsServers = systemResolverConfig().servers;
  std::map<std::string, std::vector<UnicastAddress>> ipv6 = ipv6Addresses();
  std::string ipv6Routes;
  readTextFile("/proc/net/ipv6_route", &ipv6Routes);
  for (const AdapterRecord& adapter : older) {
    adapters->push_back(newerForm(adapter, ipv6[adapter.adapterName], dnsServers, ipv6Routes));
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

uint32_t sendArp(uint32_t destination, uint32_t source, std::vector<uint8_t>* bytes) {
  const std::string from = source == 0 ? std::string() : dotted(source);
  uint32_t code = 0;
  if (neighbourCode(resolveNeighbour(dotted(destination), from, kNeighbourWaitMillis, bytes),
                    &code)) {
    return code;
  }
  // Without a neighbour table to ask, the kernel's ARP cache is all there is.
  std::string table;
  if (!readTextFile("/proc/net/arp", &table)) return kNotSupported;
  return neighbourHardwareAddress(table, dotted(destination), bytes) ? 0 : kBadNetName;
}

uint32_t resolveNeighbour6(const std::string& destination, const std::string& source,
                           std::vector<uint8_t>* bytes) {
  uint32_t code = 0;
  if (neighbourCode(resolveNeighbour(destination, source, kNeighbourWaitMillis, bytes), &code)) {
    return code;
  }
  return kNotSupported;
}

bool flushResolverCache() { return false; }

bool readResolverCache(int, std::vector<CachedName>* names) {
  names->clear();
  return false;
}

}  // namespace velmora::platform
