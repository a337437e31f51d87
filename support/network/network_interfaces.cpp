#include "support/network/network_interfaces.h"

#include <cstdio>
#include <utility>

namespace velmora::network {
namespace {

constexpr uint32_t kNetworkInterfaceObject = 510;
constexpr uint32_t kCurrentBandwidthCounter = 520;
constexpr int32_t kStatusConnected = 2;
constexpr size_t kMacBytes = 6;

std::string counterFailureText(platform::CounterStep step, int32_t status) {
  const std::string code = std::to_string(status);
  switch (step) {
    case platform::CounterStep::kOpenQuery:
      return "PdhOpenQuery failed with " + code;
    case platform::CounterStep::kAddCounter:
      return "Unable to add counter due to error " + code;
    default:
      return "Unable to obtain query data due to error " + code;
  }
}

std::string localisedCounterPath(const AdapterServices& services) {
  std::string object, counter;
  if (services.lookupPerfName(kNetworkInterfaceObject, &object) &&
      services.lookupPerfName(kCurrentBandwidthCounter, &counter)) {
    return "\\" + object + "(*)\\" + counter;
  }
  return "\\Network Interface(*)\\Current Bandwidth";
}

}  // namespace

AdapterServices AdapterServices::system() {
  AdapterServices services;
  services.listAdapters = platform::listAdapters;
  services.lookupPerfName = platform::lookupPerfName;
  services.readCounterInstances = platform::readCounterInstances;
  services.listConnections = enumerateConnections;
  return services;
}

NetworkInterfaces::NetworkInterfaces() : NetworkInterfaces(AdapterServices::system()) {}

NetworkInterfaces::NetworkInterfaces(AdapterServices source)
    : services(std::move(source)), bandwidthCounterPath(localisedCounterPath(this->services)) {}

std::vector<NetworkInterfaceInfo> NetworkInterfaces::getInterfaces(bool withConnectionDetails) {
  if (withConnectionDetails) connections = services.listConnections();
  std::vector<platform::AdapterRecord> adapters;
  std::vector<NetworkInterfaceInfo> result;
  if (!services.listAdapters(&adapters)) return result;
  for (const platform::AdapterRecord& adapter : adapters) {
    result.push_back(describe(adapter, withConnectionDetails));
  }
  return result;
}

NetworkInterfaceInfo NetworkInterfaces::describe(const platform::AdapterRecord& adapter,
                                                 bool withConnectionDetails) {
  NetworkInterfaceInfo info;
  info.adapterName = adapter.adapterName;
  info.description = adapter.description;
  info.address = adapter.addresses.empty() ? "0.0.0.0" : adapter.addresses.front().address;
  info.index = adapter.index;
  info.dhcpEnabled = adapter.dhcpEnabled;
  if (!info.dhcpEnabled) {
    for (size_t i = 1; i < adapter.addresses.size(); ++i) {
      info.additionalAddresses.push_back(adapter.addresses[i].address);
    }
  }
  if (adapter.hardwareAddress.size() >= kMacBytes) {
    info.macAddress = formatMacAddress(adapter.hardwareAddress.data());
  }
  info.connected = withConnectionDetails ? isConnected(info.description) : true;
  info.bandwidth = info.connected ? currentBandwidth(info.description) : 0;
  return info;
}

bool NetworkInterfaces::isConnected(const std::string& description) const {
  for (const NetworkConnectionInfo& connection : connections) {
    if (connection.deviceName == description) return connection.status == kStatusConnected;
  }
  return true;
}

uint32_t NetworkInterfaces::currentBandwidth(const std::string& description) {
  std::vector<platform::CounterSample> samples;
  platform::CounterStep failedStep = platform::CounterStep::kNone;
  const int32_t status = services.readCounterInstances(bandwidthCounterPath, &samples, &failedStep);
  if (status != 0) {
    errorText = counterFailureText(failedStep, status);
    return 0;
  }
  const std::string instance = pdhInstanceName(description);
  int64_t value = 0;
  for (const platform::CounterSample& sample : samples) {
    if (sample.instance == instance) {
      value = sample.value;
      break;
    }
  }
  return static_cast<uint32_t>(value / 1000);
}

std::vector<NetworkConnectionInfo> enumerateConnections() { return platform::listConnections(); }

std::string pdhInstanceName(const std::string& description) {
  std::string name = description;
  for (char& c : name) {
    if (c == '(')
      c = '[';
    else if (c == ')')
      c = ']';
    else if (c == '/' || c == '#')
      c = '_';
  }
  return name;
}

std::string formatMacAddress(const uint8_t* bytes) {
  char text[3 * kMacBytes] = {};
  std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", bytes[0], bytes[1], bytes[2],
                bytes[3], bytes[4], bytes[5]);
  return text;
}

}  // namespace velmora::network
