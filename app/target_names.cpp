#include "app/target_names.h"

#include <vector>

#include "platform/dns_query.h"
#include "support/network/network_interfaces.h"
#include "support/text_utils.h"

using velmora::splitString;

namespace {

constexpr size_t kMaxPartialParts = 3;

bool isIntegerPart(const std::string& part) {
  const size_t start = (!part.empty() && part[0] == '-') ? 1 : 0;
  if (start == part.size()) return false;
  return part.find_first_not_of("0123456789", start) == std::string::npos;
}

// The first address that can stand for this machine on its network: the
// unset and the loopback address do not.
bool firstUsableAddress(velmora::network::NetworkInterfacesBase& interfaces, std::string* address) {
  for (const velmora::network::NetworkInterfaceInfo& info : interfaces.getInterfaces(false)) {
    if (info.connected && info.address != "0.0.0.0" && info.address != "127.0.0.1") {
      *address = info.address;
      return true;
    }
  }
  return false;
}

}  // namespace

int countAddressParts(const std::string& target) {
  const std::vector<std::string> parts = splitString(target, ".");
  if (parts.empty() || parts.size() > kMaxPartialParts) return 0;
  for (const std::string& part : parts) {
    if (!isIntegerPart(part)) return 0;
  }
  return static_cast<int>(parts.size());
}

std::string completePartialAddress(int n, const std::string& target) {
  velmora::network::NetworkInterfaces interfaces;
  return completePartialAddress(n, target, interfaces);
}

std::string completePartialAddress(int n, const std::string& target,
                                   velmora::network::NetworkInterfacesBase& interfaces) {
  std::string local;
  if (!firstUsableAddress(interfaces, &local)) return target;
  const std::vector<std::string> parts = splitString(local, ".");
  std::string prefix;
  for (int i = 0; i < 4 - n && i < static_cast<int>(parts.size()); ++i) {
    prefix += parts[i] + ".";
  }
  if (!target.empty() && target[0] == '.' && !prefix.empty()) prefix.pop_back();
  return prefix + target;
}

std::string reverseLookup(const std::string& address) {
  const std::string name = reversedAddressName(address);
  if (name.empty()) return address;
  std::string hostName;
  if (velmora::platform::dnsQueryPtr(name + ".IN-ADDR.ARPA", &hostName) != 0 || hostName.empty()) {
    return address;
  }
  return hostName;
}

std::string reversedAddressName(const std::string& address) {
  const std::vector<std::string> parts = splitString(address, ".");
  if (parts.size() != 4) return std::string();
  return parts[3] + "." + parts[2] + "." + parts[1] + "." + parts[0];
}
