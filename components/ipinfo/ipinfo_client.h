#ifndef TAVRO_COMPONENTS_IPINFO_IPINFO_CLIENT_H_
#define TAVRO_COMPONENTS_IPINFO_IPINFO_CLIENT_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "components/frame/socket_component.h"
#include "components/ipinfo/ipinfo_ids.h"
#include "components/ipinfo/request_queue.h"
#include "platform/adapters.h"
#include "platform/async_lookup.h"
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

/// How often instances of this process read the adapter list and the
/// network parameters from the system: what an instance costs is visible to
/// tests through these.
struct IpInfoSystemReads {
  int adapterLists = 0;
  int networkParams = 0;
};
IpInfoSystemReads ipInfoSystemReads();

/// The texts and flags of the selected adapter.
struct AdapterDetails {
  int deviceIndex = 0;
  bool dhcpEnabled = false;
  int zoneIndex = 0;
  bool usesWins = false;
  std::string description, dhcpServer, gateway, leaseObtained, leaseExpires, adapterName, ipAddress,
      otherAddresses, physicalAddress, primaryWinsServer, secondaryWinsServer, subnetMask,
      adapterType, dnsServers, ipv6Address;
};

/// Result codes of the information component.
constexpr int kBadMacRequest = 135;
constexpr int kDhcpFailed = 136;
constexpr int kNoAdapter = 137;
constexpr int kBadAdapterIndex = 169;
constexpr int kRequestQueueFull = 131;
constexpr int kUnknownRequest = 132;
constexpr int kBadHostAddress = 134;

/// Results of the last host and service lookups.
struct LookupResults {
  std::string hostAddress, otherAddresses, hostName, hostAliases;
  int servicePort = 0;  // network byte order while a lookup by port is pending
  std::string serviceProtocol, serviceName, serviceAliases;
};

/// Adapter, DNS and DHCP information of the machine on the socket layer.
class IpInfoClient : public SocketComponent {
 public:
  explicit IpInfoClient(IpConfigServices services);
  /// Cancels every queued lookup.
  ~IpInfoClient() override;

  /// Host lookup done / service lookup done (WM_USER + 107, + 108).
  static constexpr uint32_t kHostLookupMessage = platform::kWmUser + 107;
  static constexpr uint32_t kServiceLookupMessage = platform::kWmUser + 108;

  /// Starts a lookup by name (HostName, ResolveName), by address
  /// (HostAddress, ResolveAddress), of a service by name or by port; 0, or
  /// the code with the message text set. Results follow with RequestComplete.
  int resolveName(const std::string& name);
  int resolveAddress(const std::string& address);
  int lookupServiceByName(const std::string& name);
  int lookupServiceByPort(int port);
  /// Setting PendingRequests: cancels the queued lookups from position n on.
  int setPendingRequests(int n);
  int pendingRequests() const { return queue_.count(); }
  intptr_t requestId() const { return requestId_; }
  const LookupResults& lookup() const { return lookup_; }
  void setServiceProtocol(std::string protocol) { lookup_.serviceProtocol = std::move(protocol); }

  intptr_t handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

  /// Enumerates again; an invalid selection falls back to 0 with no details.
  int adapterCount();
  int adapterIndex();
  /// Selects adapter n and loads its details; 169 when out of range.
  int selectAdapter(int n);
  const AdapterDetails& details();

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
  /// The adapter list is first read, and adapter 0 selected, by the first
  /// call that needs them; until then an instance has cost nothing but its
  /// own memory. The message text stays as it was.
  void loadAdapters();

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
  int listedCount() const;
  void detailsFromOlderForm(const platform::AdapterRecord& adapter);
  void detailsFromNewerForm(const platform::AdapterAddressesRecord& adapter);
  void leaseFromLifetimes(const platform::UnicastAddress& address);
  int fail(int code, std::string text);
  void cancelFrom(int n);
  int queueRequest(platform::LookupHandle handle, int bufferNumber, int error);
  int resolveIPv6(const std::string& text, bool canonical);
  void applyHostEntry(const platform::HostEntry& entry);
  void onHostLookupDone(uintptr_t handle, intptr_t lParam);
  void onServiceLookupDone(uintptr_t handle, intptr_t lParam);
  int finishBlockingLookup(int status, const platform::HostEntry& entry);
  int raiseRequestComplete(uintptr_t handle, int status);

  RequestQueue queue_;
  intptr_t requestId_ = 0;
  LookupResults lookup_;

  std::vector<platform::AdapterRecord> olderAdapters_;
  std::vector<platform::AdapterAddressesRecord> newerAdapters_;
  bool adaptersLoaded_ = false;
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
