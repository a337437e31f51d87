#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "platform/ip_config.h"

#include <iphlpapi.h>
#include <windns.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "platform/codepage.h"

namespace velmora::platform {
namespace {

// The resolver cache listing is not declared by the SDK headers.
struct DnsCacheEntry {
  DnsCacheEntry* next;
  PWSTR name;
  WORD type;
  WORD dataLength;
  DWORD flags;
};

// Every function the component takes from iphlpapi.dll and dnsapi.dll; a
// null entry disables its feature.
struct IpConfigApi {
  HMODULE iphlpapi = nullptr;
  HMODULE dnsapi = nullptr;
  int users = 0;
  decltype(&::GetInterfaceInfo) getInterfaceInfo = nullptr;
  decltype(&::GetNetworkParams) getNetworkParams = nullptr;
  decltype(&::IpReleaseAddress) ipReleaseAddress = nullptr;
  decltype(&::IpRenewAddress) ipRenewAddress = nullptr;
  decltype(&::SendARP) sendArp = nullptr;
  decltype(&::GetPerAdapterInfo) getPerAdapterInfo = nullptr;
  decltype(&::GetAdaptersAddresses) getAdaptersAddresses = nullptr;
  DWORD(WINAPI* resolveIpNetEntry2)(MIB_IPNET_ROW2*, const SOCKADDR_INET*) = nullptr;
  BOOL(WINAPI* dnsFlushResolverCache)() = nullptr;
  BOOL(WINAPI* dnsGetCacheDataTable)(DnsCacheEntry**) = nullptr;
  void(WINAPI* dnsRecordListFree)(PDNS_RECORD, DNS_FREE_TYPE) = nullptr;
  decltype(&::DnsQuery_W) dnsQueryW = nullptr;
  decltype(&::DnsFree) dnsFree = nullptr;
};

std::mutex apiLock;
IpConfigApi api;

template <typename F>
void bind(HMODULE module, const char* name, F* function) {
  *function =
      module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

void bindAll() {
  bind(api.iphlpapi, "GetInterfaceInfo", &api.getInterfaceInfo);
  bind(api.iphlpapi, "GetNetworkParams", &api.getNetworkParams);
  bind(api.iphlpapi, "IpReleaseAddress", &api.ipReleaseAddress);
  bind(api.iphlpapi, "IpRenewAddress", &api.ipRenewAddress);
  bind(api.iphlpapi, "SendARP", &api.sendArp);
  bind(api.iphlpapi, "GetPerAdapterInfo", &api.getPerAdapterInfo);
  bind(api.iphlpapi, "GetAdaptersAddresses", &api.getAdaptersAddresses);
  bind(api.iphlpapi, "ResolveIpNetEntry2", &api.resolveIpNetEntry2);
  bind(api.dnsapi, "DnsFlushResolverCache", &api.dnsFlushResolverCache);
  bind(api.dnsapi, "DnsGetCacheDataTable", &api.dnsGetCacheDataTable);
  bind(api.dnsapi, "DnsRecordListFree", &api.dnsRecordListFree);
  bind(api.dnsapi, "DnsQuery_W", &api.dnsQueryW);
  bind(api.dnsapi, "DnsFree", &api.dnsFree);
}

std::unique_ptr<char[]> sizedBuffer(ULONG size) {
  return std::make_unique<char[]>(size ? size : 1);
}

std::string ipText(const char* text) { return text ? text : ""; }

std::vector<std::string> addressList(const IP_ADDR_STRING* first) {
  std::vector<std::string> list;
  for (const IP_ADDR_STRING* a = first; a != nullptr; a = a->Next) {
    if (a->IpAddress.String[0] != '\0') list.push_back(a->IpAddress.String);
  }
  return list;
}

std::string socketAddressText(const SOCKET_ADDRESS& address) {
  if (address.lpSockaddr == nullptr) return std::string();
  char text[NI_MAXHOST] = {};
  if (getnameinfo(address.lpSockaddr, address.iSockaddrLength, text, sizeof text, nullptr, 0,
                  NI_NUMERICHOST) != 0) {
    return std::string();
  }
  return text;
}

std::string narrowed(int codePage, const wchar_t* text) {
  std::string out;
  if (text == nullptr) return out;
  const auto* wide = reinterpret_cast<const char16_t*>(text);
  size_t length = 0;
  while (wide[length] != 0) ++length;
  wideToBytes(codePage, wide, length, &out);
  return out;
}

template <typename Node>
std::vector<std::string> addressTexts(const Node* first) {
  std::vector<std::string> list;
  for (const Node* n = first; n != nullptr; n = n->Next)
    list.push_back(socketAddressText(n->Address));
  return list;
}

void takeUnicast(const IP_ADAPTER_ADDRESSES& a, AdapterAddressesRecord* record) {
  for (const IP_ADAPTER_UNICAST_ADDRESS* u = a.FirstUnicastAddress; u != nullptr; u = u->Next) {
    if (u->Address.lpSockaddr == nullptr) continue;
    const int family = u->Address.lpSockaddr->sa_family == AF_INET6 ? 6 : 4;
    record->unicast.push_back({family, socketAddressText(u->Address), u->OnLinkPrefixLength,
                               u->ValidLifetime, u->LeaseLifetime});
  }
}

AdapterAddressesRecord toRecord(const IP_ADAPTER_ADDRESSES& a) {
  AdapterAddressesRecord r;
  r.adapterName = ipText(a.AdapterName);
  r.description = narrowed(kCodePageAnsi, a.Description);
  r.index = a.IfIndex;
  r.zoneIndex = a.ZoneIndices[0];
  r.type = a.IfType;
  r.dhcpEnabled = (a.Flags & IP_ADAPTER_DHCP_ENABLED) != 0;
  r.hardwareAddress.assign(a.PhysicalAddress, a.PhysicalAddress + a.PhysicalAddressLength);
  r.vistaLayout = a.Length >= sizeof(IP_ADAPTER_ADDRESSES_LH);
  if (r.vistaLayout) {
    r.dhcpServer = socketAddressText(a.Dhcpv4Server);
    r.winsServers = addressTexts(a.FirstWinsServerAddress);
    r.gateways = addressTexts(a.FirstGatewayAddress);
  }
  r.dnsServers = addressTexts(a.FirstDnsServerAddress);
  takeUnicast(a, &r);
  return r;
}

bool parseIpv6(const std::string& text, SOCKADDR_INET* address) {
  addrinfo hints = {};
  hints.ai_family = AF_INET6;
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* found = nullptr;
  if (getaddrinfo(text.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  std::memcpy(&address->Ipv6, found->ai_addr, sizeof(SOCKADDR_IN6));
  freeaddrinfo(found);
  return true;
}

std::string cachedValue(const DNS_RECORDW& r, int codePage) {
  switch (r.wType) {
    case 1:
    case 11: {
      in_addr address = {};
      address.s_addr = r.Data.A.IpAddress;
      return inet_ntoa(address);
    }
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 12:
    case 14:
    case 15:
    case 17:
    case 18:
    case 21:
    case 33:
      return narrowed(codePage, r.Data.PTR.pNameHost);
    case 13:
    case 19:
    case 20:
      return narrowed(codePage, r.Data.MINFO.pNameErrorsMailbox);
    case 65282:
      return narrowed(codePage, r.Data.WINSR.pNameResultDomain);
    default:
      return std::string();
  }
}

bool queryCachedName(const DnsCacheEntry& entry, int codePage, CachedName* name) {
  PDNS_RECORD records = nullptr;
  if (api.dnsQueryW(entry.name, entry.type, DNS_QUERY_STANDARD, nullptr, &records, nullptr) != 0) {
    return false;
  }
  name->name = narrowed(codePage, entry.name);
  name->type = entry.type;
  for (auto* r = reinterpret_cast<DNS_RECORDW*>(records); r != nullptr; r = r->pNext) {
    name->records.push_back({narrowed(codePage, r->pName), r->wType, r->dwTtl, r->wDataLength,
                             cachedValue(*r, codePage)});
  }
  if (records != nullptr && api.dnsFree != nullptr) api.dnsFree(records, DnsFreeRecordList);
  return true;
}

}  // namespace

void acquireIpConfigLibraries() {
  std::lock_guard<std::mutex> lock(apiLock);
  if (api.users++ > 0) return;
  api.iphlpapi = LoadLibraryA("iphlpapi.dll");
  api.dnsapi = LoadLibraryA("dnsapi.dll");
  bindAll();
}

void releaseIpConfigLibraries() {
  std::lock_guard<std::mutex> lock(apiLock);
  if (api.users == 0 || --api.users > 0) return;
  if (api.iphlpapi) FreeLibrary(api.iphlpapi);
  if (api.dnsapi) FreeLibrary(api.dnsapi);
  api = IpConfigApi();
}

bool olderAdapterListOnly() {
  const DWORD version = GetVersion();
  return LOBYTE(LOWORD(version)) < 6;
}

bool readNetworkParams(NetworkParams* params) {
  if (api.getNetworkParams == nullptr) return false;
  ULONG size = 0;
  if (api.getNetworkParams(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return false;
  std::unique_ptr<char[]> buffer = sizedBuffer(size);
  auto* info = reinterpret_cast<FIXED_INFO*>(buffer.get());
  if (api.getNetworkParams(info, &size) != ERROR_SUCCESS) return false;
  params->hostName = info->HostName;
  params->domainName = info->DomainName;
  params->dnsServers = addressList(&info->DnsServerList);
  params->nodeType = info->NodeType;
  params->scopeId = info->ScopeId;
  params->enableRouting = info->EnableRouting;
  params->enableProxy = info->EnableProxy;
  params->enableDns = info->EnableDns;
  return true;
}

bool listAdapterAddresses(std::vector<AdapterAddressesRecord>* adapters) {
  adapters->clear();
  if (api.getAdaptersAddresses == nullptr) return false;
  constexpr ULONG kFlags =
      GAA_FLAG_INCLUDE_PREFIX | GAA_FLAG_INCLUDE_WINS_INFO | GAA_FLAG_INCLUDE_GATEWAYS;
  ULONG size = 0;
  api.getAdaptersAddresses(AF_UNSPEC, kFlags, nullptr, nullptr, &size);
  std::unique_ptr<char[]> buffer = sizedBuffer(size);
  auto* first = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get());
  if (api.getAdaptersAddresses(AF_UNSPEC, kFlags, nullptr, first, &size) != ERROR_SUCCESS) {
    return false;
  }
  for (const IP_ADAPTER_ADDRESSES* a = first; a != nullptr; a = a->Next) {
    adapters->push_back(toRecord(*a));
  }
  return true;
}

int perAdapterDnsServers(uint32_t index, std::vector<std::string>* servers) {
  if (api.getPerAdapterInfo == nullptr) return -1;
  ULONG size = 0;
  DWORD status = api.getPerAdapterInfo(index, nullptr, &size);
  if (status != ERROR_BUFFER_OVERFLOW) return static_cast<int>(status);
  std::unique_ptr<char[]> buffer = sizedBuffer(size);
  auto* info = reinterpret_cast<IP_PER_ADAPTER_INFO*>(buffer.get());
  status = api.getPerAdapterInfo(index, info, &size);
  if (status != ERROR_SUCCESS) return static_cast<int>(status);
  *servers = addressList(&info->DnsServerList);
  return 0;
}

uint32_t dhcpLeaseOperation(uint32_t index, bool renew, DhcpStep* failedStep) {
  *failedStep = DhcpStep::kInterfaceTable;
  if (api.getInterfaceInfo == nullptr) return ERROR_PROC_NOT_FOUND;
  ULONG size = 0;
  DWORD status = api.getInterfaceInfo(nullptr, &size);
  if (status != ERROR_INSUFFICIENT_BUFFER) return status;
  std::unique_ptr<char[]> buffer = sizedBuffer(size);
  auto* table = reinterpret_cast<IP_INTERFACE_INFO*>(buffer.get());
  status = api.getInterfaceInfo(table, &size);
  if (status != NO_ERROR) return status;
  *failedStep = DhcpStep::kAdapterNotFound;
  for (LONG i = 0; i < table->NumAdapters; ++i) {
    if (table->Adapter[i].Index != index) continue;
    *failedStep = DhcpStep::kOperation;
    const auto operation = renew ? api.ipRenewAddress : api.ipReleaseAddress;
    if (operation == nullptr) return ERROR_PROC_NOT_FOUND;
    status = operation(&table->Adapter[i]);
    if (status == NO_ERROR) *failedStep = DhcpStep::kNone;
    return status;
  }
  return ERROR_NOT_FOUND;
}

uint32_t sendArp(uint32_t destination, uint32_t source, std::vector<uint8_t>* bytes) {
  if (api.sendArp == nullptr) return ERROR_PROC_NOT_FOUND;
  ULONG mac[2] = {};
  ULONG length = 6;
  const DWORD status = api.sendArp(destination, source, mac, &length);
  if (status != NO_ERROR) return status;
  const auto* raw = reinterpret_cast<const uint8_t*>(mac);
  bytes->assign(raw, raw + (length < 6 ? length : 6));
  return 0;
}

uint32_t resolveNeighbour6(const std::string& destination, const std::string& source,
                           std::vector<uint8_t>* bytes) {
  if (api.resolveIpNetEntry2 == nullptr) return kUnsupported;
  MIB_IPNET_ROW2 row = {};
  if (!parseIpv6(destination, &row.Address)) return ERROR_INVALID_PARAMETER;
  SOCKADDR_INET from = {};
  const bool haveSource = !source.empty() && parseIpv6(source, &from);
  const DWORD status = api.resolveIpNetEntry2(&row, haveSource ? &from : nullptr);
  if (status != NO_ERROR) return status;
  bytes->assign(row.PhysicalAddress, row.PhysicalAddress + row.PhysicalAddressLength);
  return 0;
}

bool flushResolverCache() {
  return api.dnsFlushResolverCache != nullptr && api.dnsFlushResolverCache() != FALSE;
}

bool readResolverCache(int codePage, std::vector<CachedName>* names) {
  names->clear();
  if (api.dnsGetCacheDataTable == nullptr || api.dnsQueryW == nullptr) return false;
  DnsCacheEntry* table = nullptr;
  if (!api.dnsGetCacheDataTable(&table)) return false;
  for (DnsCacheEntry* e = table; e != nullptr; e = e->next) {
    CachedName name;
    if (e->type != 0 && queryCachedName(*e, codePage, &name)) names->push_back(name);
  }
  if (table != nullptr && api.dnsRecordListFree != nullptr) {
    api.dnsRecordListFree(reinterpret_cast<PDNS_RECORD>(table), DnsFreeRecordList);
  }
  return true;
}

}  // namespace velmora::platform
