#include "platform/adapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

#if defined(__linux__)
#include <linux/if_packet.h>
#elif defined(__APPLE__)
#include <net/if_dl.h>
#endif

#include "platform/adapters_posix.h"
#include "platform/proc_net_posix.h"

namespace velmora::platform {
namespace {

// Interface type numbers of the adapter list and the ARP hardware types of
// sysfs that correspond to them.
constexpr uint32_t kTypeOther = 1;
constexpr uint32_t kTypeEthernet = 6;
constexpr uint32_t kTypePpp = 23;
constexpr uint32_t kTypeLoopback = 24;
constexpr uint32_t kTypeAtm = 37;
constexpr uint32_t kTypeWireless = 71;
constexpr uint32_t kTypeTunnel = 131;
constexpr uint32_t kTypeFirewire = 144;

// The connection states of the network connections manager.
constexpr int32_t kStatusConnecting = 1;
constexpr int32_t kStatusConnected = 2;
constexpr int32_t kStatusHardwareNotPresent = 4;
constexpr int32_t kStatusHardwareDisabled = 5;
constexpr int32_t kStatusMediaDisconnected = 7;

// PDH's status for a counter path whose object it does not know.
constexpr int32_t kPdhNoObject = static_cast<int32_t>(0xC0000BB8u);
constexpr char kBandwidthCounterPath[] = "\\Network Interface(*)\\Current Bandwidth";

const char kSysNet[] = "/sys/class/net/";

struct IfaddrsDeleter {
  void operator()(ifaddrs* list) const { freeifaddrs(list); }
};
using IfaddrsList = std::unique_ptr<ifaddrs, IfaddrsDeleter>;

std::string sysfsAttribute(const std::string& ifname, const char* attribute) {
  std::string text;
  if (!readTextFile(kSysNet + ifname + "/" + attribute, &text)) return std::string();
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

bool pathExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

uint32_t interfaceType(const std::string& ifname) {
  if (pathExists(kSysNet + ifname + "/wireless")) return kTypeWireless;
  switch (std::atoi(sysfsAttribute(ifname, "type").c_str())) {
    case 1:
      return kTypeEthernet;
    case 19:
      return kTypeAtm;
    case 24:
      return kTypeFirewire;
    case 512:
      return kTypePpp;
    case 768:
    case 769:
    case 776:
    case 778:
    case 823:
      return kTypeTunnel;
    case 772:
      return kTypeLoopback;
    case 801:
    case 802:
    case 803:
      return kTypeWireless;
    default:
      return kTypeOther;
  }
}

std::string dottedText(const sockaddr* address) {
  if (address == nullptr || address->sa_family != AF_INET) return "0.0.0.0";
  char text[INET_ADDRSTRLEN] = {};
  const auto* in = reinterpret_cast<const sockaddr_in*>(address);
  inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
  return text;
}

void takeHardwareAddress(const ifaddrs& entry, AdapterRecord* record) {
  // The kernel gives loopback a link address of six zero bytes; Windows'
  // loopback adapter has none, and IPInfo lists it with an empty one.
  if (entry.ifa_flags & IFF_LOOPBACK) return;
#if defined(__linux__)
  if (entry.ifa_addr == nullptr || entry.ifa_addr->sa_family != AF_PACKET) return;
  const auto* link = reinterpret_cast<const sockaddr_ll*>(entry.ifa_addr);
  record->hardwareAddress.assign(link->sll_addr, link->sll_addr + link->sll_halen);
#elif defined(__APPLE__)
  if (entry.ifa_addr == nullptr || entry.ifa_addr->sa_family != AF_LINK) return;
  const auto* link = reinterpret_cast<const sockaddr_dl*>(entry.ifa_addr);
  const auto* bytes = reinterpret_cast<const uint8_t*>(LLADDR(link));
  record->hardwareAddress.assign(bytes, bytes + link->sdl_alen);
#else
  (void)entry;
  (void)record;
#endif
}

// Groups the getifaddrs entries by interface; `flags` keeps each interface's
// flags for the connection state.
std::map<std::string, AdapterRecord> collectInterfaces(const ifaddrs* list,
                                                       std::map<std::string, unsigned>* flags) {
  std::map<std::string, AdapterRecord> byName;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    AdapterRecord& record = byName[entry->ifa_name];
    record.adapterName = record.description = entry->ifa_name;
    (*flags)[entry->ifa_name] = entry->ifa_flags;
    takeHardwareAddress(*entry, &record);
    if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET) {
      record.addresses.push_back({dottedText(entry->ifa_addr), dottedText(entry->ifa_netmask)});
    }
  }
  return byName;
}

std::vector<AdapterRecord> readInterfaces(std::map<std::string, unsigned>* flags) {
  ifaddrs* raw = nullptr;
  if (getifaddrs(&raw) != 0) return {};
  IfaddrsList list(raw);
  std::map<std::string, AdapterRecord> byName = collectInterfaces(list.get(), flags);
  std::vector<AdapterRecord> records;
  for (auto& [name, record] : byName) {
    record.index = if_nametoindex(name.c_str());
    record.type = interfaceType(name);
    records.push_back(std::move(record));
  }
  std::sort(records.begin(), records.end(),
            [](const AdapterRecord& a, const AdapterRecord& b) { return a.index < b.index; });
  return records;
}

int32_t connectionStatus(const std::string& ifname, unsigned flags) {
  const std::string state = sysfsAttribute(ifname, "operstate");
  if (state == "up") return kStatusConnected;
  if (state == "notpresent") return kStatusHardwareNotPresent;
  if (state == "dormant" || state == "testing") return kStatusConnecting;
  if ((flags & IFF_UP) == 0) return kStatusHardwareDisabled;
  // Loopback and many virtual links never report an operational state.
  if (state == "unknown" || state.empty()) {
    return (flags & IFF_RUNNING) != 0 ? kStatusConnected : kStatusMediaDisconnected;
  }
  return kStatusMediaDisconnected;
}

// PDH names counter instances after the adapter description with these
// characters replaced; the emulated counter does the same.
std::string counterInstanceName(std::string name) {
  for (char& c : name) {
    if (c == '(') c = '[';
    if (c == ')') c = ']';
    if (c == '/' || c == '#') c = '_';
  }
  return name;
}

}  // namespace

bool listAdapters(std::vector<AdapterRecord>* adapters) {
  return listInterfaceRecords(false, adapters);
}

bool listInterfaceRecords(bool withLoopback, std::vector<AdapterRecord>* adapters) {
  std::map<std::string, unsigned> flags;
  std::vector<AdapterRecord> records = readInterfaces(&flags);
  std::string routes;
  readTextFile("/proc/net/route", &routes);
  adapters->clear();
  for (AdapterRecord& record : records) {
    if (!withLoopback && (flags[record.adapterName] & IFF_LOOPBACK) != 0) continue;
    if (record.addresses.empty()) record.addresses.push_back({"0.0.0.0", "0.0.0.0"});
    record.gateways = defaultGateways(routes, record.adapterName);
    adapters->push_back(std::move(record));
  }
  return !records.empty();
}

bool lookupPerfName(uint32_t, std::string*) { return false; }

int32_t readCounterInstances(const std::string& path, std::vector<CounterSample>* samples,
                             CounterStep* failedStep) {
  samples->clear();
  *failedStep = CounterStep::kNone;
  if (path != kBandwidthCounterPath) {
    *failedStep = CounterStep::kAddCounter;
    return kPdhNoObject;
  }
  std::map<std::string, unsigned> flags;
  for (const AdapterRecord& record : readInterfaces(&flags)) {
    // The link speed is in Mbit/s, and -1 or unreadable while the link is down.
    const long long speed = std::atoll(sysfsAttribute(record.adapterName, "speed").c_str());
    samples->push_back({counterInstanceName(record.description), speed > 0 ? speed * 1000000 : 0});
  }
  return 0;
}

std::vector<ConnectionRecord> listConnections() {
  std::map<std::string, unsigned> flags;
  std::vector<ConnectionRecord> connections;
  for (const AdapterRecord& record : readInterfaces(&flags)) {
    connections.push_back({connectionStatus(record.adapterName, flags[record.adapterName]),
                           record.description, record.adapterName});
  }
  return connections;
}

}  // namespace velmora::platform
