#ifndef TAVRO_COMPONENTS_IPINFO_IPINFO_CLIENT_H_
#define TAVRO_COMPONENTS_IPINFO_IPINFO_CLIENT_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "components/frame/socket_component.h"
#include "platform/adapters.h"
#include "platform/ip_config.h"

namespace velmora::components {

/// The system services the information component reads; `system()` gives
/// the real ones, tests put in their own.
struct IpConfigServices {
  std::function<bool(std::vector<platform::AdapterRecord>*)> listAdapters;
  std::function<bool(std::vector<platform::AdapterAddressesRecord>*)> listAdapterAddresses;
  std::function<bool(platform::NetworkParams*)> readNetworkParams;
  std::function<int(uint32_t, std::vector<std::string>*)> perAdapterDnsServers;
  std::function<uint32_t(uint32_t, bool, platform::DhcpStep*)> dhcpLeaseOperation;
  std::function<uint32_t(uint32_t, uint32_t, std::vector<uint8_t>*)> sendArp;
  std::function<uint32_t(const std::string&, const std::string&, std::vector<uint8_t>*)>
      resolveNeighbour6;
  std::function<bool()> flushResolverCache;
  std::function<bool(int, std::vector<platform::CachedName>*)> readResolverCache;
  std::function<int64_t()> now;  // seconds since 1970

  static IpConfigServices system();
};

/// The texts and flags of the selected adapter.
struct AdapterDetails {
  int deviceIndex = 0;
  bool dhcpEnabled = false;
  int zoneIndex = 0;
  bool usesWins = false;
  std::string description, dhcpServer, gateway, leaseObtained, leaseExpires, adapterName,
      ipAddress, otherAddresses, physicalAddress, primaryWinsServer, secondaryWinsServer,
      subnetMask, adapterType, dnsServers, ipv6Address;
};

/// Result codes of the information component.
constexpr int kBadMacRequest = 135;
constexpr int kDhcpFailed = 136;
constexpr int kNoAdapter = 137;
constexpr int kBadAdapterIndex = 169;

/// Adapter, DNS and DHCP information of the machine on the socket layer.
class IpInfoClient : public SocketComponent {
 public:
  explicit IpInfoClient(IpConfigServices services);

  /// Enumerates again; an invalid selection falls back to 0 with no details.
  int adapterCount();
  int adapterIndex() const { return adapterIndex_; }
  /// Selects adapter n and loads its details; 169 when out of range.
  int selectAdapter(int n);
  const AdapterDetails& details() const { return details_; }

  const platform::NetworkParams* networkParams();
  std::string dnsServer();
  std::string dnsServerList();
  std::string localHost();

  /// DHCPRelease / DHCPRenew of the selected adapter.
  int dhcpOperation(bool renew);
  /// GetMAC: the neighbour's hardware address into `result`.
  int getMac(const std::string& address, const char** result);
  /// Reloads the parameters and the adapter list.
  int reset();

  bool flushDns();
  std::string displayDns();

  bool defaultToMachineSettings = true;
  bool useOldApi = false;
  bool blockingResolve = false;
  std::string arpAddress;

 protected:
  IpConfigServices services_;

 private:
  int enumerate();
  void detailsFromOlderForm(const platform::AdapterRecord& adapter);
  void detailsFromNewerForm(const platform::AdapterAddressesRecord& adapter);
  void leaseFromLifetimes(const platform::UnicastAddress& address);
  int fail(int code, std::string text);

  std::vector<platform::AdapterRecord> olderAdapters_;
  std::vector<platform::AdapterAddressesRecord> newerAdapters_;
  int adapterIndex_ = -1;
  bool olderDnsLoaded_ = false;
  std::vector<std::string> olderDnsServers_;
  bool paramsLoaded_ = false;
  platform::NetworkParams params_;
  int64_t enumerationTime_ = 0;
  AdapterDetails details_;
  std::string macResult_;
};

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_IPINFO_IPINFO_CLIENT_H_
