#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "platform/host_address.h"

#include <vector>

#include "platform/sockaddr_convert.h"

namespace velmora::platform {

int resolveIPv6(const char* name, bool streamSocket, SocketAddress* out) {
  addrinfo hints = {};
  hints.ai_family = AF_INET6;
  hints.ai_socktype = streamSocket ? SOCK_STREAM : 0;
  addrinfo* result = nullptr;
  int status = ::getaddrinfo(name, nullptr, &hints, &result);
  if (status != 0) return status;
  if (result == nullptr || result->ai_family != AF_INET6) {
    if (result) ::freeaddrinfo(result);
    return WSAHOST_NOT_FOUND;
  }
  sockaddr_in6 address = {};
  std::memcpy(&address, result->ai_addr, sizeof(address));
  ::freeaddrinfo(result);
  detail::fromSockaddr(address, out);
  return 0;
}

std::string numericIPv6Text(const SocketAddress& address) {
  return detail::numericIPv6Text(address);
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
