#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/inet.h"

#include "platform/sockaddr_convert.h"

namespace velmora::platform {

uint32_t inetAddr(const char* text) { return inet_addr(text); }

int getAddrInfo(const char* node, const char* service, std::vector<ResolvedAddress>* out) {
  // Windows' getaddrinfo answers with Winsock codes already.
  return detail::streamAddresses(node, service, out, [](int status) { return status; });
}

int socketsStartup(uint16_t* granted) {
  WSADATA data{};
  const int status = WSAStartup(MAKEWORD(2, 2), &data);
  *granted = status == 0 ? data.wVersion : 0;
  return status;
}

void socketsCleanup() { WSACleanup(); }

}  // namespace velmora::platform
