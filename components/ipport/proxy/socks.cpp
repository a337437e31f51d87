#include "components/ipport/proxy/socks.h"

#include <cstring>

namespace velmora::components::proxy {
namespace {

void appendPort(std::string* out, int port) {
  *out += static_cast<char>((port >> 8) & 0xFF);
  *out += static_cast<char>(port & 0xFF);
}

void appendAddress(std::string* out, uint32_t address) {
  char bytes[4];
  std::memcpy(bytes, &address, sizeof(bytes));
  out->append(bytes, sizeof(bytes));
}

std::string unknownError(int code) { return "unknown firewall error: " + std::to_string(code); }

}  // namespace

std::string socks4Request(uint32_t address, int port, const std::string& user) {
  std::string request = {4, 1};
  appendPort(&request, port);
  appendAddress(&request, address);
  // The user id is NUL-terminated, so it ends at an embedded NUL.
  request += user.c_str();
  request += '\0';
  return request;
}

std::string socks4ReplyText(uint8_t code) {
  switch (code) {
    case 90:
      return std::string();
    case 91:
      return "firewall request rejected or failed";
    case 92:
      return "firewall request rejected because identd is not available";
    case 93:
      return "firewall request rejected because identd reports different user";
    default:
      return unknownError(code);
  }
}

std::string socks5Greeting(bool withPassword) {
  if (withPassword) return std::string{5, 2, 0, 2};
  return std::string{5, 1, 0};
}

std::string socks5PasswordRequest(const std::string& user, const std::string& password) {
  std::string request(1, '\x01');
  request += static_cast<char>(user.size());
  request += user;
  request += static_cast<char>(password.size());
  request += password;
  return request;
}

std::string socks5ConnectByAddress(uint32_t address, int port) {
  std::string request = {5, 1, 0, 1};
  appendAddress(&request, address);
  appendPort(&request, port);
  return request;
}

bool socks5ConnectByName(const std::string& name, int port, std::string* request) {
  if (name.empty() || name.size() > 255) return false;
  *request = {5, 1, 0, 3};
  *request += static_cast<char>(name.size());
  *request += name;
  appendPort(request, port);
  return true;
}

size_t socks5ReplyLength(uint8_t addressType, uint8_t nameLength) {
  if (addressType == 3) return 7 + static_cast<size_t>(nameLength);
  if (addressType == 4) return 22;
  return kSocks5ReplySize;
}

std::string socks5ReplyText(uint8_t code) {
  static const char* const kTexts[] = {
      "",
      "general SOCKS server failure",
      "connection not allowed by ruleset",
      "network unreachable",
      "host unreachable",
      "connection refused",
      "TTL expired",
      "command not supported",
      "address type not supported",
  };
  if (code < sizeof(kTexts) / sizeof(kTexts[0])) return kTexts[code];
  return unknownError(code);
}

std::string socks5MethodText(uint8_t method) {
  if (method == kSocks5MethodNone || method == kSocks5MethodPassword) return std::string();
  if (method == kSocks5NoAcceptableMethod) return "no acceptable firewall authentication methods";
  return "unknown firewall authentication method";
}

}  // namespace velmora::components::proxy
