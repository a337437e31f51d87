#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/inet.h"

#include "platform/sockaddr_convert.h"

namespace velmora::platform {

uint32_t inetAddr(const char* text) { return inet_addr(text); }

int getAddrInfo(const char* node, const char* service, std::vector<ResolvedAddress>* out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* result = nullptr;
  const int status = getaddrinfo(node, service, &hints, &result);
  if (status != 0) return status;
  out->clear();
  detail::collectAddresses(result, out);
  freeaddrinfo(result);
  return 0;
}

int socketsStartup(uint16_t* granted) {
  WSADATA data{};
  const int status = WSAStartup(MAKEWORD(2, 2), &data);
  *granted = status == 0 ? data.wVersion : 0;
  return status;
}

void socketsCleanup() { WSACleanup(); }

}  // namespace velmora::platform
