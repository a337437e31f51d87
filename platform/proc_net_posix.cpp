#include "platform/proc_net_posix.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace velmora::platform {
namespace {

constexpr unsigned long kRouteUp = 0x1;
constexpr unsigned long kRouteGateway = 0x2;
constexpr unsigned long kArpComplete = 0x2;

bool parseHex(const std::string& text, unsigned long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtoul(text.c_str(), &end, 16);
  return *end == '\0';
}

// The kernel prints the address as the 32-bit word in host order; the
// first byte in memory (the least significant on little-endian hosts) is the
// first octet.
std::string littleEndianDotted(unsigned long value) {
  std::string text;
  for (int shift = 0; shift < 32; shift += 8) {
    if (!text.empty()) text += '.';
    text += std::to_string((value >> shift) & 0xFF);
  }
  return text;
}

// 32 hexadecimal digits, the form /proc/net/ipv6_route prints addresses in.
bool parseHexBytes(const std::string& text, std::array<uint8_t, 16>* bytes) {
  if (text.size() != 32) return false;
  for (size_t i = 0; i < 16; ++i) {
    unsigned long value = 0;
    if (!parseHex(text.substr(2 * i, 2), &value)) return false;
    (*bytes)[i] = static_cast<uint8_t>(value);
  }
  return true;
}

std::vector<std::string> splitFields(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> fields;
  std::string field;
  while (in >> field) fields.push_back(field);
  return fields;
}

bool parseMacText(const std::string& text, std::vector<uint8_t>* bytes) {
  std::vector<uint8_t> parsed;
  std::istringstream in(text);
  std::string part;
  while (std::getline(in, part, ':')) {
    unsigned long value = 0;
    if (part.size() > 2 || !parseHex(part, &value)) return false;
    parsed.push_back(static_cast<uint8_t>(value));
  }
  if (parsed.empty()) return false;
  *bytes = parsed;
  return true;
}

}  // namespace

bool readTextFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return false;
  *text = content.str();
  return true;
}

std::vector<std::string> defaultGateways(const std::string& routeTable, const std::string& ifname) {
  std::vector<std::string> gateways;
  std::istringstream in(routeTable);
  std::string line;
  std::getline(in, line);  // column titles
  while (std::getline(in, line)) {
    std::vector<std::string> f = splitFields(line);
    unsigned long destination = 0, gateway = 0, flags = 0, mask = 0;
    if (f.size() < 8 || !parseHex(f[1], &destination) || !parseHex(f[2], &gateway) ||
        !parseHex(f[3], &flags) || !parseHex(f[7], &mask)) {
      continue;
    }
    if (!ifname.empty() && f[0] != ifname) continue;
    if (destination != 0 || mask != 0) continue;
    if ((flags & (kRouteUp | kRouteGateway)) != (kRouteUp | kRouteGateway)) continue;
    gateways.push_back(littleEndianDotted(gateway));
  }
  return gateways;
}

std::vector<std::array<uint8_t, 16>> defaultGateways6(const std::string& routeTable,
                                                      const std::string& ifname) {
  std::vector<std::array<uint8_t, 16>> gateways;
  std::istringstream in(routeTable);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f = splitFields(line);
    unsigned long length = 0, flags = 0;
    std::array<uint8_t, 16> destination{}, gateway{};
    if (f.size() < 10 || !parseHexBytes(f[0], &destination) || !parseHex(f[1], &length) ||
        !parseHexBytes(f[4], &gateway) || !parseHex(f[8], &flags)) {
      continue;
    }
    if (!ifname.empty() && f[9] != ifname) continue;
    if (length != 0 || destination != std::array<uint8_t, 16>{}) continue;
    if ((flags & (kRouteUp | kRouteGateway)) != (kRouteUp | kRouteGateway)) continue;
    gateways.push_back(gateway);
  }
  return gateways;
}

bool neighbourHardwareAddress(const std::string& arpTable, const std::string& address,
                              std::vector<uint8_t>* bytes) {
  std::istringstream in(arpTable);
  std::string line;
  std::getline(in, line);  // column titles
  while (std::getline(in, line)) {
    std::vector<std::string> f = splitFields(line);
    unsigned long flags = 0;
    if (f.size() < 4 || f[0] != address) continue;
    if (!parseHex(f[2], &flags) || (flags & kArpComplete) == 0) continue;
    if (parseMacText(f[3], bytes)) return true;
  }
  return false;
}

ResolverConfig parseResolverConfig(const std::string& text) {
  ResolverConfig config;
  std::string search;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f = splitFields(line.substr(0, line.find_first_of("#;")));
    if (f.size() < 2) continue;
    if (f[0] == "nameserver") config.servers.push_back(f[1]);
    if (f[0] == "domain") config.domain = f[1];
    if (f[0] == "search" && search.empty()) search = f[1];
  }
  if (config.domain.empty()) config.domain = search;
  return config;
}

}  // namespace velmora::platform
