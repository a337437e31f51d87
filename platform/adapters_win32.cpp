#include <winsock2.h>
#include <windows.h>

#include "platform/adapters.h"

#include <iphlpapi.h>
#include <netcon.h>
#include <objbase.h>
#include <pdh.h>

#include <memory>

namespace velmora::platform {
namespace {

// Buffers on the process heap, as the adapter list and the counter array
// are read into.
struct HeapDeleter {
  void operator()(void* block) const { HeapFree(GetProcessHeap(), 0, block); }
};
using HeapBlock = std::unique_ptr<void, HeapDeleter>;

HeapBlock heapAllocate(size_t size, DWORD flags = 0) {
  return HeapBlock(HeapAlloc(GetProcessHeap(), flags, size));
}

struct LibraryDeleter {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

struct ComReleaser {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using ComRef = std::unique_ptr<T, ComReleaser>;

class PdhQuery {
 public:
  PdhQuery() = default;
  PdhQuery(const PdhQuery&) = delete;
  PdhQuery& operator=(const PdhQuery&) = delete;
  ~PdhQuery() {
    if (handle_ != nullptr) PdhCloseQuery(handle_);
  }
  PDH_HQUERY* out() { return &handle_; }
  PDH_HQUERY get() const { return handle_; }

 private:
  PDH_HQUERY handle_ = nullptr;
};

class ComApartment {
 public:
  ComApartment() { CoInitialize(nullptr); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() { CoUninitialize(); }
};

const CLSID kConnectionManagerClass = {
    0xBA126AD1, 0x2166, 0x11D1, {0xB1, 0xD0, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
const IID kConnectionManagerInterface = {
    0xC08956A2, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
constexpr DWORD kLocalServerNoDownload = CLSCTX_LOCAL_SERVER | CLSCTX_NO_CODE_DOWNLOAD;

using FreeNetconProperties = void(WINAPI*)(NETCON_PROPERTIES*);

// The connection texts are narrowed by keeping the low byte of each code unit.
std::string lowBytes(const wchar_t* text) {
  std::string narrow;
  for (; text != nullptr && *text != L'\0'; ++text) narrow += static_cast<char>(*text & 0xFF);
  return narrow;
}

HeapBlock readAdapterInfo() {
  ULONG size = sizeof(IP_ADAPTER_INFO);
  HeapBlock buffer = heapAllocate(size);
  if (!buffer) return nullptr;
  DWORD status = GetAdaptersInfo(static_cast<IP_ADAPTER_INFO*>(buffer.get()), &size);
  if (status == ERROR_BUFFER_OVERFLOW) {
    buffer = heapAllocate(size);
    if (!buffer) return nullptr;
    status = GetAdaptersInfo(static_cast<IP_ADAPTER_INFO*>(buffer.get()), &size);
  }
  return status == NO_ERROR ? std::move(buffer) : nullptr;
}

AdapterRecord toRecord(const IP_ADAPTER_INFO& info) {
  AdapterRecord record;
  record.adapterName = info.AdapterName;
  record.description = info.Description;
  record.hardwareAddress.assign(info.Address, info.Address + info.AddressLength);
  record.index = info.Index;
  record.type = info.Type;
  record.dhcpEnabled = info.DhcpEnabled != 0;
  for (const IP_ADDR_STRING* a = &info.IpAddressList; a != nullptr; a = a->Next) {
    record.addresses.push_back({a->IpAddress.String, a->IpMask.String});
  }
  for (const IP_ADDR_STRING* g = &info.GatewayList; g != nullptr; g = g->Next) {
    if (g->IpAddress.String[0] != '\0') record.gateways.push_back(g->IpAddress.String);
  }
  record.dhcpServer = info.DhcpServer.IpAddress.String;
  record.haveWins = info.HaveWins != 0;
  record.primaryWinsServer = info.PrimaryWinsServer.IpAddress.String;
  record.secondaryWinsServer = info.SecondaryWinsServer.IpAddress.String;
  record.leaseObtained = static_cast<int64_t>(info.LeaseObtained);
  record.leaseExpires = static_cast<int64_t>(info.LeaseExpires);
  return record;
}

void appendConnection(INetConnection* connection, FreeNetconProperties freeProperties,
                      std::vector<ConnectionRecord>* connections) {
  NETCON_PROPERTIES* properties = nullptr;
  if (FAILED(connection->GetProperties(&properties)) || properties == nullptr) return;
  connections->push_back({static_cast<int32_t>(properties->Status),
                          lowBytes(properties->pszwDeviceName), lowBytes(properties->pszwName)});
  freeProperties(properties);
}

void enumerateWith(FreeNetconProperties freeProperties, std::vector<ConnectionRecord>* out) {
  INetConnectionManager* rawManager = nullptr;
  if (FAILED(CoCreateInstance(kConnectionManagerClass, nullptr, kLocalServerNoDownload,
                              kConnectionManagerInterface,
                              reinterpret_cast<void**>(&rawManager))) ||
      rawManager == nullptr) {
    return;
  }
  ComRef<INetConnectionManager> manager(rawManager);
  IEnumNetConnection* rawEnumerator = nullptr;
  if (FAILED(manager->EnumConnections(NCME_DEFAULT, &rawEnumerator)) || rawEnumerator == nullptr) {
    return;
  }
  ComRef<IEnumNetConnection> enumerator(rawEnumerator);
  INetConnection* rawConnection = nullptr;
  ULONG fetched = 0;
  while (enumerator->Next(1, &rawConnection, &fetched) == S_OK && fetched == 1) {
    ComRef<INetConnection> connection(rawConnection);
    appendConnection(connection.get(), freeProperties, out);
  }
}

}  // namespace

bool listAdapters(std::vector<AdapterRecord>* adapters) {
  adapters->clear();
  HeapBlock buffer = readAdapterInfo();
  if (!buffer) return false;
  for (const auto* info = static_cast<const IP_ADAPTER_INFO*>(buffer.get()); info != nullptr;
       info = info->Next) {
    adapters->push_back(toRecord(*info));
  }
  return true;
}

bool lookupPerfName(uint32_t index, std::string* name) {
  char buffer[128] = {};
  DWORD size = sizeof buffer;
  if (PdhLookupPerfNameByIndexA(nullptr, index, buffer, &size) != ERROR_SUCCESS) return false;
  *name = buffer;
  return true;
}

int32_t readCounterInstances(const std::string& path, std::vector<CounterSample>* samples,
                             CounterStep* failedStep) {
  samples->clear();
  *failedStep = CounterStep::kOpenQuery;
  PdhQuery query;
  PDH_STATUS status = PdhOpenQueryA(nullptr, 0, query.out());
  if (status != ERROR_SUCCESS) return static_cast<int32_t>(status);
  PDH_HCOUNTER counter = nullptr;
  *failedStep = CounterStep::kAddCounter;
  status = PdhAddCounterA(query.get(), path.c_str(), 0, &counter);
  if (status != ERROR_SUCCESS) return static_cast<int32_t>(status);
  *failedStep = CounterStep::kCollect;
  status = PdhCollectQueryData(query.get());
  if (status != ERROR_SUCCESS) return static_cast<int32_t>(status);
  *failedStep = CounterStep::kNone;
  constexpr DWORD kFormat = PDH_FMT_LARGE | PDH_FMT_NOSCALE;
  DWORD size = 0, count = 0;
  PdhGetFormattedCounterArrayA(counter, kFormat, &size, &count, nullptr);
  if (size == 0) return 0;
  HeapBlock buffer = heapAllocate(size, HEAP_ZERO_MEMORY);
  if (!buffer) return 0;
  auto* items = static_cast<PDH_FMT_COUNTERVALUE_ITEM_A*>(buffer.get());
  if (PdhGetFormattedCounterArrayA(counter, kFormat, &size, &count, items) != ERROR_SUCCESS) {
    return 0;
  }
  for (DWORD i = 0; i < count; ++i) {
    if (items[i].szName != nullptr) {
      samples->push_back({items[i].szName, items[i].FmtValue.largeValue});
    }
  }
  return 0;
}

std::vector<ConnectionRecord> listConnections() {
  std::vector<ConnectionRecord> connections;
  Library netshell(LoadLibraryA("netshell.dll"));
  if (!netshell) return connections;
  auto freeProperties = reinterpret_cast<FreeNetconProperties>(
      reinterpret_cast<void*>(GetProcAddress(netshell.get(), "NcFreeNetconProperties")));
  if (freeProperties == nullptr) return connections;
  ComApartment apartment;
  enumerateWith(freeProperties, &connections);
  return connections;
}

}  // namespace velmora::platform
