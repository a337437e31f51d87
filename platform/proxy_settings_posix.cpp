#include "platform/proxy_settings.h"

#include <cstdlib>

namespace velmora::platform {
namespace {

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// "socks5://user:pw@host:1080/" becomes "host:1080"; a scheme other than a
// socks one gives an empty text, as does a missing scheme when `needScheme`.
std::string socksAuthority(const std::string& url, bool needScheme) {
  std::string rest = url;
  size_t scheme = rest.find("://");
  if (scheme != std::string::npos) {
    if (rest.compare(0, 5, "socks") != 0) return std::string();
    rest = rest.substr(scheme + 3);
  } else if (needScheme) {
    return std::string();
  }
  rest = rest.substr(0, rest.find('/'));
  size_t at = rest.rfind('@');
  if (at != std::string::npos) rest = rest.substr(at + 1);
  return rest;
}

}  // namespace

bool readProxyServerList(std::string* list) {
  list->clear();
  std::string authority = socksAuthority(variable("socks_proxy"), false);
  if (authority.empty()) authority = socksAuthority(variable("ALL_PROXY"), true);
  if (authority.empty()) authority = socksAuthority(variable("all_proxy"), true);
  if (authority.empty()) return false;
  *list = "socks=" + authority;
  return true;
}

}  // namespace velmora::platform
