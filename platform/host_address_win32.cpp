#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "platform/host_address.h"

#include <vector>

#include "platform/sockaddr_convert.h"

namespace velmora::platform {

int resolveIPv6(const char* name, bool streamSocket, SocketAddress* out,
                std::string* canonicalName) {
  // Windows' getaddrinfo answers with Winsock codes already.
  return detail::firstIPv6Address(name, streamSocket, out, canonicalName,
                                  [](int status) { return status; });
}

std::string numericIPv6Text(const SocketAddress& address) {
  return detail::numericIPv6Text(address);
}

bool numericIPv6Address(const std::string& text, SocketAddress* out) {
  return detail::numericIPv6Address(text.c_str(), out);
}

int localHostName(std::string* name, int limit) {
  std::vector<char> buffer(static_cast<size_t>(limit > 0 ? limit : 1) + 1, '\0');
  if (::gethostname(buffer.data(), limit) == SOCKET_ERROR) {
    name->clear();
    return WSAGetLastError();
  }
  *name = buffer.data();
  return 0;
}

}  // namespace velmora::platform
