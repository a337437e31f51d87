#include "components/ipinfo/ipinfo_client.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <utility>

#include "components/ipinfo/ipinfo_formats.h"
#include "platform/inet.h"

namespace velmora::components {
namespace {

constexpr uint32_t kInfiniteLifetime = 0xFFFFFFFF;
constexpr size_t kMaxHostNameLength = 100;
constexpr uint32_t kNoAddress = 0;
constexpr uint32_t kUnparsableAddress = 0xFFFFFFFF;

std::atomic<int> adapterLists{0};
std::atomic<int> networkParamReads{0};

std::string hexCode(const char* format, uint32_t code) {
  char text[96] = {};
  std::snprintf(text, sizeof text, format, code);
  return text;
}

std::string firstOrEmpty(const std::vector<std::string>& items) {
  return items.empty() ? std::string() : items.front();
}

}  // namespace

IpInfoSystemReads ipInfoSystemReads() {
  IpInfoSystemReads reads;
  reads.adapterLists = adapterLists.load();
  reads.networkParams = networkParamReads.load();
  return reads;
}

IpConfigServices IpConfigServices::system() {
  IpConfigServices s;
  s.listAdapters = platform::listAdapters;
  s.listAdapterAddresses = platform::listAdapterAddresses;
  s.readNetworkParams = platform::readNetworkParams;
  s.perAdapterDnsServers = platform::perAdapterDnsServers;
  s.dhcpLeaseOperation = platform::dhcpLeaseOperation;
  s.sendArp = platform::sendArp;
  s.resolveNeighbour6 = platform::resolveNeighbour6;
  s.flushResolverCache = platform::flushResolverCache;
  s.readResolverCache = platform::readResolverCache;
  s.now = [] { return static_cast<int64_t>(std::time(nullptr)); };
  return s;
}

IpInfoClient::IpInfoClient(IpConfigServices services) : services_(std::move(services)) {}

int IpInfoClient::fail(int code, std::string text) {
  setMessageText(std::move(text));
  return code;
}

int IpInfoClient::enumerate() {
  ++adapterLists;
  if (useOldApi) {
    services_.listAdapters(&olderAdapters_);
    return static_cast<int>(olderAdapters_.size());
  }
  services_.listAdapterAddresses(&newerAdapters_);
  enumerationTime_ = services_.now();
  return static_cast<int>(newerAdapters_.size());
}

int IpInfoClient::listedCount() const {
  return static_cast<int>(useOldApi ? olderAdapters_.size() : newerAdapters_.size());
}

void IpInfoClient::loadAdapters() {
  if (adaptersLoaded_) return;
  adaptersLoaded_ = true;
  // Selecting adapter 0 of an empty list sets "Bad Adapter Index.": that is
  // no failure of the call that needed the list.
  std::string message = messageText();
  selectAdapter(0);
  setMessageText(std::move(message));
}

int IpInfoClient::adapterIndex() {
  loadAdapters();
  return adapterIndex_;
}

const AdapterDetails& IpInfoClient::details() {
  loadAdapters();
  return details_;
}

int IpInfoClient::adapterCount() {
  // The first load has just enumerated; a second listing would tell nothing new.
  const bool fresh = !adaptersLoaded_;
  loadAdapters();
  const int count = fresh ? listedCount() : enumerate();
  if (adapterIndex_ >= count) {
    adapterIndex_ = 0;
    details_ = AdapterDetails();
    olderDnsLoaded_ = false;
  }
  return count;
}

int IpInfoClient::selectAdapter(int n) {
  // A refused index keeps the selection made by the first load.
  loadAdapters();
  details_ = AdapterDetails();
  olderDnsLoaded_ = false;
  const int count = enumerate();
  if (n >= 0 && n < count) {
    adapterIndex_ = n;
    if (useOldApi) {
      detailsFromOlderForm(olderAdapters_[static_cast<size_t>(n)]);
    } else {
      detailsFromNewerForm(newerAdapters_[static_cast<size_t>(n)]);
    }
    return 0;
  }
  if (count == 0 && n < 0) return 0;
  return fail(kBadAdapterIndex, "Bad Adapter Index.");
}

void IpInfoClient::detailsFromOlderForm(const platform::AdapterRecord& adapter) {
  AdapterDetails& d = details_;
  d.deviceIndex = static_cast<int>(adapter.index);
  d.dhcpEnabled = adapter.dhcpEnabled;
  d.usesWins = adapter.haveWins;
  d.description = adapter.description;
  d.adapterName = adapter.adapterName;
  if (!adapter.addresses.empty()) {
    d.ipAddress = adapter.addresses.front().address;
    d.subnetMask = adapter.addresses.front().mask;
  }
  std::vector<std::string> others;
  for (size_t i = 1; i < adapter.addresses.size(); ++i)
    others.push_back(adapter.addresses[i].address);
  d.otherAddresses = joinList(others);
  d.gateway = firstOrEmpty(adapter.gateways);
  d.dhcpServer = adapter.dhcpServer;
  d.primaryWinsServer = adapter.primaryWinsServer;
  d.secondaryWinsServer = adapter.secondaryWinsServer;
  // A lease time of 0 means the system keeps none for this adapter.
  if (adapter.leaseObtained != 0) d.leaseObtained = formatLeaseTime(adapter.leaseObtained);
  if (adapter.leaseExpires != 0) d.leaseExpires = formatLeaseTime(adapter.leaseExpires);
  d.physicalAddress = formatHardwareAddress(adapter.hardwareAddress);
  d.adapterType = adapterTypeName(adapter.type, false);
  const int status = services_.perAdapterDnsServers(adapter.index, &olderDnsServers_);
  if (status != 0) {
    raiseEvent(ipinfo::kEventError,
               {EventArg::integerArg(status), EventArg::text("Error getting per-adapter info.")});
    return;
  }
  olderDnsLoaded_ = true;
  d.dnsServers = joinList(olderDnsServers_);
}

void IpInfoClient::detailsFromNewerForm(const platform::AdapterAddressesRecord& adapter) {
  AdapterDetails& d = details_;
  d.deviceIndex = static_cast<int>(adapter.index);
  d.dhcpEnabled = adapter.dhcpEnabled;
  d.zoneIndex = static_cast<int>(adapter.zoneIndex);
  d.adapterName = adapter.adapterName;
  d.description = adapter.description;
  d.physicalAddress = formatHardwareAddress(adapter.hardwareAddress);
  d.adapterType = adapterTypeName(adapter.type, true);
  if (adapter.vistaLayout) {
    d.dhcpServer = adapter.dhcpServer;
    d.usesWins = !adapter.winsServers.empty();
    d.primaryWinsServer = firstOrEmpty(adapter.winsServers);
    if (adapter.winsServers.size() > 1) d.secondaryWinsServer = adapter.winsServers[1];
    d.gateway = firstOrEmpty(adapter.gateways);
  }
  d.dnsServers = joinList(adapter.dnsServers);
  const platform::UnicastAddress* firstIpv4 = nullptr;
  std::vector<std::string> others;
  for (const platform::UnicastAddress& a : adapter.unicast) {
    if (a.family == 4 && firstIpv4 == nullptr) {
      firstIpv4 = &a;
    } else if (a.family == 6 && d.ipv6Address.empty()) {
      d.ipv6Address = a.text;
    } else {
      others.push_back(a.text);
    }
  }
  d.otherAddresses = joinList(others);
  if (firstIpv4 == nullptr) return;
  d.ipAddress = firstIpv4->text;
  // The mask is given for prefix lengths 0 to 31 only; a host route (32)
  // leaves it empty.
  if (firstIpv4->prefixLength < 32) d.subnetMask = subnetMaskFromPrefix(firstIpv4->prefixLength);
  if (d.dhcpEnabled) leaseFromLifetimes(*firstIpv4);
}

void IpInfoClient::leaseFromLifetimes(const platform::UnicastAddress& address) {
  if (address.validLifetime == kInfiniteLifetime) {
    details_.leaseObtained = formatLeaseTime(enumerationTime_ - address.leaseLifetime);
    return;
  }
  const int64_t expires = enumerationTime_ + address.validLifetime;
  details_.leaseExpires = formatLeaseTime(expires);
  details_.leaseObtained = formatLeaseTime(expires - address.leaseLifetime);
}

const platform::NetworkParams* IpInfoClient::networkParams() {
  if (!paramsLoaded_) {
    ++networkParamReads;
    params_ = platform::NetworkParams();
    paramsLoaded_ = services_.readNetworkParams(&params_);
  }
  return paramsLoaded_ ? &params_ : nullptr;
}

std::string IpInfoClient::dnsServer() {
  loadAdapters();
  if (olderDnsLoaded_) return firstOrEmpty(olderDnsServers_);
  const platform::NetworkParams* params = networkParams();
  return defaultToMachineSettings && params ? firstOrEmpty(params->dnsServers) : std::string();
}

std::string IpInfoClient::dnsServerList() {
  loadAdapters();
  if (olderDnsLoaded_) return joinList(olderDnsServers_);
  const platform::NetworkParams* params = networkParams();
  return defaultToMachineSettings && params ? joinList(params->dnsServers) : std::string();
}

std::string IpInfoClient::localHost() {
  const platform::NetworkParams* params = networkParams();
  return params ? params->hostName.substr(0, kMaxHostNameLength) : std::string();
}

int IpInfoClient::dhcpOperation(bool renew) {
  loadAdapters();
  if (adapterIndex_ < 0) {
    return fail(kNoAdapter,
                "No adapter has been selected.  Please choose an Adapter by setting AdapterIndex.");
  }
  platform::DhcpStep step = platform::DhcpStep::kNone;
  const uint32_t code =
      details_.deviceIndex == 0
          ? 0
          : services_.dhcpLeaseOperation(static_cast<uint32_t>(details_.deviceIndex), renew, &step);
  if (details_.deviceIndex == 0 || step == platform::DhcpStep::kAdapterNotFound) {
    return fail(kNoAdapter, "Adapter not found in adapter map.");
  }
  if (step == platform::DhcpStep::kInterfaceTable) {
    return fail(kDhcpFailed, hexCode("Can't get interface info (error 0x%x).", code));
  }
  if (code != 0) {
    return fail(kDhcpFailed, hexCode("Could not perform DHCP operation (error 0x%x).", code));
  }
  selectAdapter(adapterIndex_);
  return 0;
}

int IpInfoClient::getMac(const std::string& address, const char** result) {
  std::vector<uint8_t> bytes;
  uint32_t code = 0;
  if (address.find(':') != std::string::npos) {
    code = services_.resolveNeighbour6(address, arpAddress, &bytes);
    if (code == platform::kUnsupported) {
      return fail(kBadMacRequest,
                  "IPv6 MAC address resolution is only supported in Windows 6 (Vista) and higher.");
    }
  } else {
    const uint32_t destination = platform::inetAddr(address.c_str());
    // An unparsable text reads as the broadcast address, which has no single
    // hardware address either.
    if (destination == kNoAddress || destination == kUnparsableAddress) {
      return fail(kBadMacRequest, "Invalid IP address.");
    }
    const uint32_t source = arpAddress.empty() ? 0 : platform::inetAddr(arpAddress.c_str());
    code = services_.sendArp(destination, source, &bytes);
  }
  if (code != 0) return fail(kBadMacRequest, hexCode("Can't get MAC address (error: 0x%x).", code));
  macResult_ = formatHardwareAddress(bytes);
  *result = macResult_.c_str();
  return 0;
}

int IpInfoClient::reset() {
  cancelFrom(0);
  paramsLoaded_ = false;
  networkParams();
  if (adaptersLoaded_) {
    enumerate();
  } else {
    loadAdapters();
  }
  return 0;
}

bool IpInfoClient::flushDns() { return services_.flushResolverCache(); }

std::string IpInfoClient::displayDns() {
  std::vector<platform::CachedName> names;
  services_.readResolverCache(codePage(), &names);
  return formatResolverCache(names);
}

}  // namespace velmora::components
