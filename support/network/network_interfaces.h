#ifndef TAVRO_SUPPORT_NETWORK_NETWORK_INTERFACES_H_
#define TAVRO_SUPPORT_NETWORK_NETWORK_INTERFACES_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/adapters.h"

namespace velmora::network {

/// One IPv4 network adapter of the machine.
struct NetworkInterfaceInfo {
  std::string adapterName;
  std::string description;
  std::string address;                           // first IPv4 address; "0.0.0.0" when there is none
  std::vector<std::string> additionalAddresses;  // only for adapters without DHCP
  uint32_t bandwidth = 0;                        // kbit/s; 0 when unknown
  std::string macAddress;                        // empty below 6 address bytes
  uint32_t index = 0;
  bool dhcpEnabled = false;
  bool connected = true;
};

/// One connection of the network connections manager (status 2: connected).
using NetworkConnectionInfo = platform::ConnectionRecord;

/// Source of the local adapter list.
class NetworkInterfacesBase {
 public:
  virtual std::vector<NetworkInterfaceInfo> getInterfaces(bool withConnectionDetails) = 0;

  /// Text of the last failed bandwidth query; empty when none failed.
  const std::string& lastError() const { return errorText; }

 protected:
  NetworkInterfacesBase() = default;
  ~NetworkInterfacesBase() = default;

  std::string errorText;
};

/// The system services a listing reads; `system()` gives the real ones,
/// tests put in their own.
struct AdapterServices {
  std::function<bool(std::vector<platform::AdapterRecord>*)> listAdapters;
  std::function<bool(uint32_t, std::string*)> lookupPerfName;
  std::function<int32_t(const std::string&, std::vector<platform::CounterSample>*,
                        platform::CounterStep*)>
      readCounterInstances;
  std::function<std::vector<NetworkConnectionInfo>()> listConnections;

  static AdapterServices system();
};

/// The machine's IPv4 adapters with address, hardware address, DHCP state,
/// connection state and current bandwidth. Built for one listing.
class NetworkInterfaces : public NetworkInterfacesBase {
 public:
  /// Looks up the localised bandwidth counter path; touches no adapter.
  NetworkInterfaces();
  explicit NetworkInterfaces(AdapterServices services);

  /// The adapters in the system's order; with connection details the
  /// connection list is read first and decides `connected`.
  std::vector<NetworkInterfaceInfo> getInterfaces(bool withConnectionDetails) override;

  /// Whether the connection whose device is `description` has status 2;
  /// true when no connection of the last list names it.
  bool isConnected(const std::string& description) const;

  /// The adapter's current bandwidth in kbit/s from the performance
  /// counter; 0 when not found (a failed query leaves its text in lastError).
  uint32_t currentBandwidth(const std::string& description);

  const std::string& counterPath() const { return bandwidthCounterPath; }

 private:
  NetworkInterfaceInfo describe(const platform::AdapterRecord& adapter, bool withConnectionDetails);

  AdapterServices services;
  std::string bandwidthCounterPath;
  std::vector<NetworkConnectionInfo> connections;
};

/// The connections of the network connections manager; empty when it is
/// not available.
std::vector<NetworkConnectionInfo> enumerateConnections();

/// The performance counter's instance name for an adapter description: "("
/// becomes "[", ")" becomes "]", "/" and "#" become "_".
std::string pdhInstanceName(const std::string& description);

/// Six bytes as upper-case hexadecimal pairs joined by "-": 00-1A-2B-3C-4D-5E.
std::string formatMacAddress(const uint8_t* bytes);

}  // namespace velmora::network

#endif  // TAVRO_SUPPORT_NETWORK_NETWORK_INTERFACES_H_
