#ifndef TAVRO_PLATFORM_IP_CONFIG_H_
#define TAVRO_PLATFORM_IP_CONFIG_H_

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

/// Loads the optional system libraries behind the functions below
/// (iphlpapi.dll and dnsapi.dll, looked up at run time); balanced calls, the
/// last release unloads them. A missing function disables only its feature.
void acquireIpConfigLibraries();
void releaseIpConfigLibraries();

/// True when the system offers only the older adapter list (Windows major
/// version below 6); false on POSIX.
bool olderAdapterListOnly();

/// The machine-wide network parameters (GetNetworkParams).
struct NetworkParams {
  std::string hostName;
  std::string domainName;
  std::vector<std::string> dnsServers;
  uint32_t nodeType = 0;
  std::string scopeId;
  uint32_t enableRouting = 0;
  uint32_t enableProxy = 0;
  uint32_t enableDns = 0;
};
bool readNetworkParams(NetworkParams* params);

/// One unicast address of an adapter in its newer form.
struct UnicastAddress {
  int family = 4;  // 4 or 6
  std::string text;
  uint8_t prefixLength = 0;
  uint32_t validLifetime = 0;  // seconds; 0xFFFFFFFF infinite
  uint32_t leaseLifetime = 0;
};

/// One adapter in its newer form (GetAdaptersAddresses with prefixes, WINS
/// servers and gateways), texts already narrowed with the system code page.
struct AdapterAddressesRecord {
  std::string adapterName;
  std::string description;
  uint32_t index = 0;
  uint32_t zoneIndex = 0;
  uint32_t type = 0;
  bool dhcpEnabled = false;
  bool vistaLayout = true;  // the entry carries DHCP server, WINS and gateways
  std::vector<uint8_t> hardwareAddress;
  std::string dhcpServer;
  std::vector<std::string> winsServers;
  std::vector<std::string> gateways;
  std::vector<std::string> dnsServers;
  std::vector<UnicastAddress> unicast;
};
bool listAdapterAddresses(std::vector<AdapterAddressesRecord>* adapters);

/// The DNS servers of one adapter in the older form (GetPerAdapterInfo).
/// Returns 0, the system's code, or -1 when the function is missing.
int perAdapterDnsServers(uint32_t index, std::vector<std::string>* servers);

/// Releases or renews the DHCP lease of interface `index` (GetInterfaceInfo,
/// then IpReleaseAddress or IpRenewAddress). 0, or the code with the step.
enum class DhcpStep { kNone, kInterfaceTable, kAdapterNotFound, kOperation };
uint32_t dhcpLeaseOperation(uint32_t index, bool renew, DhcpStep* failedStep);

/// The hardware address of an IPv4 neighbour (SendARP; addresses in network
/// byte order, source 0 for any). 0 or the system's code.
uint32_t sendArp(uint32_t destination, uint32_t source, std::vector<uint8_t>* bytes);

/// The same for an IPv6 neighbour (ResolveIpNetEntry2); kUnsupported when
/// the system has no such function.
constexpr uint32_t kUnsupported = 0xFFFFFFFF;
uint32_t resolveNeighbour6(const std::string& destination, const std::string& source,
                           std::vector<uint8_t>* bytes);

/// Flushes the system's resolver cache; false when it reported a failure or
/// there is no cache to flush.
bool flushResolverCache();

/// One record of a cached DNS answer; `value` is the text the listing shows
/// (empty for types without one).
struct CachedRecord {
  std::string name;
  uint16_t type = 0;
  uint32_t ttl = 0;
  uint16_t dataLength = 0;
  std::string value;
};

/// One name of the resolver cache with the records a query for it returns.
struct CachedName {
  std::string name;
  uint16_t type = 0;
  std::vector<CachedRecord> records;
};

/// The entries of the resolver cache (DnsGetCacheDataTable, each queried with
/// DnsQuery_W); false when the system has no cache listing.
bool readResolverCache(int codePage, std::vector<CachedName>* names);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_IP_CONFIG_H_
