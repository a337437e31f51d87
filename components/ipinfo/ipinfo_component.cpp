#include "components/ipinfo/ipinfo_component.h"

#include <atomic>
#include <new>

#include "components/frame/flat_api.h"
#include "components/frame/frame_component.h"
#include "components/ipinfo/ipinfo_formats.h"
#include "components/ipinfo/ipinfo_ids.h"
#include "platform/ip_config.h"

namespace velmora::components {
namespace {

using namespace ipinfo;

constexpr ValueKind kInt = ValueKind::kInteger;
constexpr ValueKind kBool = ValueKind::kBoolean;
constexpr ValueKind kText = ValueKind::kText;

constexpr PropertyInfo kProperties[] = {
    {kVersionTagId, kText, kRead},
    {kAdapterCount, kInt, kRead},
    {kAdapterDescription, kText, kRead},
    {kAdapterDeviceIndex, kInt, kRead},
    {kAdapterDhcpEnabled, kBool, kRead},
    {kAdapterDhcpServer, kText, kRead},
    {kAdapterDnsServers, kText, kRead},
    {kAdapterGateway, kText, kRead},
    {kAdapterIndex, kInt, kReadWrite},
    {kAdapterIpAddress, kText, kRead},
    {kAdapterIpv6Address, kText, kRead},
    {kAdapterLeaseExpires, kText, kRead},
    {kAdapterLeaseObtained, kText, kRead},
    {kAdapterName, kText, kRead},
    {kAdapterOtherAddresses, kText, kRead},
    {kAdapterPhysicalAddress, kText, kRead},
    {kAdapterPrimaryWinsServer, kText, kRead},
    {kAdapterSecondaryWinsServer, kText, kRead},
    {kAdapterSubnetMask, kText, kRead},
    {kAdapterType, kText, kRead},
    {kAdapterUsesWins, kBool, kRead},
    {kAdapterZoneIndex, kInt, kRead},
    {kArpProxyEnabled, kInt, kRead},
    {kDhcpScope, kText, kRead},
    {kDnsEnabled, kInt, kRead},
    {kDnsServer, kText, kRead},
    {kDomainName, kText, kRead},
    {kHostAddress, kText, kReadWrite},
    {kHostAliases, kText, kRead},
    {kHostName, kText, kReadWrite},
    {kLocalHost, kText, kRead},
    {kNodeType, kText, kRead},
    {kOtherAddresses, kText, kRead},
    {kDnsServers, kText, kRead},
    {kPendingRequests, kInt, kReadWrite},
    {kRequestId, kInt, kRead},
    {kRoutingEnabled, kInt, kRead},
    {kServiceAliases, kText, kRead},
    {kServiceName, kText, kReadWrite},
    {kServicePort, kInt, kReadWrite},
    {kServiceProtocol, kText, kReadWrite},
};

constexpr MethodInfo kMethods[] = {
    {kConfig, 2, {ParamKind::kText, ParamKind::kTextResult}},
    {kDhcpRelease, 0, {}},
    {kDhcpRenew, 0, {}},
    {kDoEvents, 0, {}},
    {kGetMac, 2, {ParamKind::kText, ParamKind::kTextResult}},
    {kReset, 0, {}},
    {kResolveAddress, 2, {ParamKind::kText, ParamKind::kTextResult}},
    {kResolveName, 2, {ParamKind::kText, ParamKind::kTextResult}},
};

std::atomic<int> staticUsers{0};

ComponentBase* createIpInfo() { return new IPInfoComponent(); }

void staticInit(void*) {
  ++staticUsers;
  platform::acquireIpConfigLibraries();
}

void staticDestroy() {
  platform::releaseIpConfigLibraries();
  --staticUsers;
}

const bool registered =
    registerComponent(ComponentKind::kIPInfo, {&createIpInfo, &staticInit, &staticDestroy});

}  // namespace

IPInfoComponent::IPInfoComponent() : IPInfoComponent(IpConfigServices::system()) {}

IPInfoComponent::IPInfoComponent(IpConfigServices services) : IpInfoClient(std::move(services)) {
  (void)registered;
  // Nothing is read from the system here: a name resolver's instance never
  // needs the adapters or the parameters, and each is loaded on first use.
  useOldApi = platform::olderAdapterListOnly();
}

const PropertyInfo* IPInfoComponent::findProperty(int id) const {
  return findById(kProperties, id);
}

const MethodInfo* IPInfoComponent::findMethod(int id) const { return findById(kMethods, id); }

intptr_t IPInfoComponent::text(int key, std::string value) {
  // Each property and each method result keeps its own text, so a pointer
  // handed out earlier stays valid while other texts are read; an unchanged
  // value keeps even its storage.
  std::string& stored = texts_[key];
  if (stored != value) stored = std::move(value);
  return reinterpret_cast<intptr_t>(stored.c_str());
}

const char* IPInfoComponent::methodText(int methodId, std::string value) {
  return reinterpret_cast<const char*>(text(-methodId, std::move(value)));
}

intptr_t IPInfoComponent::adapterText(int id) {
  const AdapterDetails& d = details();
  switch (id) {
    case kAdapterDescription:
      return text(id, d.description);
    case kAdapterDhcpServer:
      return text(id, d.dhcpServer);
    case kAdapterDnsServers:
      return text(id, d.dnsServers);
    case kAdapterGateway:
      return text(id, d.gateway);
    case kAdapterIpAddress:
      return text(id, d.ipAddress);
    case kAdapterIpv6Address:
      return text(id, d.ipv6Address);
    case kAdapterLeaseExpires:
      return text(id, d.leaseExpires);
    case kAdapterLeaseObtained:
      return text(id, d.leaseObtained);
    case kAdapterName:
      return text(id, d.adapterName);
    case kAdapterOtherAddresses:
      return text(id, d.otherAddresses);
    case kAdapterPhysicalAddress:
      return text(id, d.physicalAddress);
    case kAdapterPrimaryWinsServer:
      return text(id, d.primaryWinsServer);
    case kAdapterSecondaryWinsServer:
      return text(id, d.secondaryWinsServer);
    case kAdapterSubnetMask:
      return text(id, d.subnetMask);
    case kAdapterType:
      return text(id, d.adapterType);
    default:
      return text(id, std::string());
  }
}

intptr_t IPInfoComponent::lookupText(int id) {
  const LookupResults& r = lookup();
  switch (id) {
    case kHostAddress:
      return text(id, r.hostAddress);
    case kHostAliases:
      return text(id, r.hostAliases);
    case kHostName:
      return text(id, r.hostName);
    case kOtherAddresses:
      return text(id, r.otherAddresses);
    case kServiceAliases:
      return text(id, r.serviceAliases);
    case kServiceName:
      return text(id, r.serviceName);
    case kServiceProtocol:
      return text(id, r.serviceProtocol);
    default:
      return adapterText(id);
  }
}

intptr_t IPInfoComponent::parameterValue(int id) {
  const platform::NetworkParams* p = networkParams();
  const platform::NetworkParams none;
  if (p == nullptr) p = &none;
  switch (id) {
    case kArpProxyEnabled:
      return p->enableProxy;
    case kDnsEnabled:
      return p->enableDns;
    case kRoutingEnabled:
      return p->enableRouting;
    case kDhcpScope:
      return text(id, p->scopeId);
    case kDomainName:
      return text(id, p->domainName);
    case kNodeType:
      return text(id, nodeTypeName(p->nodeType));
    default:
      return 0;
  }
}

intptr_t IPInfoComponent::adapterNumber(int id) {
  const AdapterDetails& d = details();
  switch (id) {
    case kAdapterDeviceIndex:
      return d.deviceIndex;
    case kAdapterDhcpEnabled:
      return d.dhcpEnabled ? 1 : 0;
    case kAdapterUsesWins:
      return d.usesWins ? 1 : 0;
    case kAdapterZoneIndex:
      return d.zoneIndex;
    default:
      return 0;
  }
}

intptr_t IPInfoComponent::getProperty(int id, int*) {
  switch (id) {
    case kVersionTagId:
      return text(id, kComponentVersionTag);
    case kAdapterCount:
      return adapterCount();
    case kAdapterIndex:
      return adapterIndex();
    case kAdapterDeviceIndex:
    case kAdapterDhcpEnabled:
    case kAdapterUsesWins:
    case kAdapterZoneIndex:
      return adapterNumber(id);
    case kArpProxyEnabled:
    case kDnsEnabled:
    case kRoutingEnabled:
    case kDhcpScope:
    case kDomainName:
    case kNodeType:
      return parameterValue(id);
    case kDnsServer:
      return text(id, dnsServer());
    case kDnsServers:
      return text(id, dnsServerList());
    case kLocalHost:
      return text(id, localHost());
    case kPendingRequests:
      return pendingRequests();
    case kRequestId:
      return requestId();
    case kServicePort:
      return lookup().servicePort;
    default:
      return lookupText(id);
  }
}

int IPInfoComponent::setProperty(int id, const PropertyValue& value) {
  switch (id) {
    case kAdapterIndex:
      return selectAdapter(static_cast<int>(value.word));
    case kHostAddress:
      return resolveAddress(value.text);
    case kHostName:
      return resolveName(value.text);
    case kPendingRequests:
      return setPendingRequests(static_cast<int>(value.word));
    case kServiceName:
      return lookupServiceByName(value.text);
    case kServicePort:
      return lookupServiceByPort(static_cast<int>(value.word));
    case kServiceProtocol:
      setServiceProtocol(value.text);
      return 0;
    default:
      return kUnknownSetting;
  }
}

int IPInfoComponent::callMethod(int id, MethodArgs& args) {
  switch (id) {
    case kConfig: {
      const char* result = "";
      const int code = runConfig(args.text(0), &result);
      args.setResult(1, methodText(id, result));
      return code;
    }
    case kDhcpRelease:
      return dhcpOperation(false);
    case kDhcpRenew:
      return dhcpOperation(true);
    case kDoEvents:
      return doEvents();
    case kGetMac: {
      const char* result = "";
      const int code = getMac(args.text(0), &result);
      args.setResult(1, methodText(id, result));
      return code;
    }
    case kReset:
      return reset();
    case kResolveAddress: {
      const int code = resolveAddress(args.text(0));
      args.setResult(1, methodText(id, lookup().hostName));
      return code;
    }
    case kResolveName: {
      const int code = resolveName(args.text(0));
      args.setResult(1, methodText(id, lookup().hostAddress));
      return code;
    }
    default:
      args.setResult(1, "");
      return 0;
  }
}

int IPInfoComponent::configure(const ConfigSetting& setting, std::string* answer) {
  // The selection a caller sees first comes from the API in force when the
  // instance was made, whether it was loaded then or is loaded now.
  if (setting.is("UseOldAPI") && !setting.isQuery) loadAdapters();
  if (configBoolField(setting, "DefaultToMachineSettings", &defaultToMachineSettings, answer) ||
      configBoolField(setting, "UseOldAPI", &useOldApi, answer) ||
      configTextField(setting, "ARPAddress", &arpAddress, answer) ||
      configBoolField(setting, "BlockingResolve", &blockingResolve, answer)) {
    return 0;
  }
  if (setting.is("FlushDNS")) {
    *answer = configBool(flushDns());
    return 0;
  }
  if (setting.is("DisplayDNS")) {
    if (!setting.isQuery) return kUnknownSetting;
    *answer = displayDns();
    return 0;
  }
  return IpInfoClient::configure(setting, answer);
}

int ipInfoStaticUsers() { return staticUsers.load(); }

}  // namespace velmora::components
