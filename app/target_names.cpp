#include "app/target_names.h"

#include <vector>

#include "platform/dns_query.h"
#include "platform/host_address.h"
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

// An interface name or number: whatever an interface may be called, but
// nothing that belongs to the address or its brackets.
bool isZoneText(const std::string& zone) {
  return !zone.empty() && zone.find_first_of(":[]% \t") == std::string::npos;
}

// The numeric form of an IPv6 literal; as written when its zone names no
// interface of this machine.
std::string numericForm(const std::string& literal) {
  velmora::platform::SocketAddress address;
  if (!velmora::platform::numericIPv6Address(literal, &address)) return literal;
  const std::string text = velmora::platform::numericIPv6Text(address);
  return text.empty() ? literal : text;
}

IPv6Target bracketedTarget(const std::string& text) {
  IPv6Target target;
  target.form = IPv6Form::kRefused;
  const size_t close = text.find(']');
  if (close == std::string::npos) return target;
  const std::string inside = text.substr(1, close - 1);
  const std::string rest = text.substr(close + 1);
  if (!isIPv6Literal(inside)) return target;
  if (rest.empty()) {
    target.form = IPv6Form::kAddress;
  } else if (rest.size() > 1 && rest[0] == ':') {
    target.form = IPv6Form::kAddressPort;
    target.port = rest.substr(1);
  } else {
    return target;
  }
  target.address = numericForm(inside);
  return target;
}

}  // namespace

bool isIPv6Literal(const std::string& text) {
  // Every IPv6 text has a colon; without one, no resolver may take an IPv4
  // text for a mapped IPv6 address.
  if (text.find(':') == std::string::npos) return false;
  const size_t percent = text.find('%');
  if (percent != std::string::npos && !isZoneText(text.substr(percent + 1))) return false;
  velmora::platform::SocketAddress address;
  return velmora::platform::numericIPv6Address(text.substr(0, percent), &address);
}

IPv6Target readIPv6Target(const std::string& text) {
  if (!text.empty() && text[0] == '[') return bracketedTarget(text);
  IPv6Target target;
  if (isIPv6Literal(text)) {
    target.form = IPv6Form::kAddress;
    target.address = numericForm(text);
  }
  return target;
}

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
  const std::string v6 = reversedIPv6Name(address);
  const std::string name = v6.empty() ? reversedAddressName(address) : v6;
  if (name.empty()) return address;
  const std::string zone = v6.empty() ? ".IN-ADDR.ARPA" : ".IP6.ARPA";
  std::string hostName;
  if (velmora::platform::dnsQueryPtr(name + zone, &hostName) != 0 || hostName.empty()) {
    return address;
  }
  return hostName;
}

std::string reversedIPv6Name(const std::string& address) {
  velmora::platform::SocketAddress parsed;
  if (address.find(':') == std::string::npos ||
      !velmora::platform::numericIPv6Address(address.substr(0, address.find('%')), &parsed)) {
    return std::string();
  }
  static const char kHex[] = "0123456789abcdef";
  std::string name;
  for (int i = 15; i >= 0; --i) {
    if (!name.empty()) name += '.';
    name += kHex[parsed.address[i] & 0x0F];
    name += '.';
    name += kHex[parsed.address[i] >> 4];
  }
  return name;
}

std::string reversedAddressName(const std::string& address) {
  const std::vector<std::string> parts = splitString(address, ".");
  if (parts.size() != 4) return std::string();
  return parts[3] + "." + parts[2] + "." + parts[1] + "." + parts[0];
}
