#include "components/ipport/proxy/auto_detect.h"

#include <cstdlib>

namespace velmora::components::proxy {

bool findSocksProxy(const std::string& list, std::string* host, int* port) {
  host->clear();
  *port = 0;
  size_t start = list.find("socks=");
  if (start == std::string::npos) return false;
  // Only this entry counts: a host must not swallow the entries after it.
  std::string entry = list.substr(start + 6);
  entry = entry.substr(0, entry.find(';'));
  size_t colon = entry.find(':');
  if (colon == std::string::npos || colon + 1 == entry.size()) return false;
  *host = entry.substr(0, colon);
  long value = std::strtol(entry.c_str() + colon + 1, nullptr, 10);
  *port = value > 0 && value <= 65535 ? static_cast<int>(value) : 0;
  return true;
}

}  // namespace velmora::components::proxy
