#include "platform/inet.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/sockaddr_convert.h"
#include "platform/system_error_posix.h"

namespace velmora::platform {

uint32_t inetAddr(const char* text) { return inet_addr(text); }

int getAddrInfo(const char* node, const char* service, std::vector<ResolvedAddress>* out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* result = nullptr;
  errno = 0;
  const int status = getaddrinfo(node, service, &hints, &result);
  if (status != 0) return winsockCodeFromEai(status, errno);
  out->clear();
  detail::collectAddresses(result, out);
  freeaddrinfo(result);
  return 0;
}

int socketsStartup(uint16_t* granted) {
  *granted = 0x0202;
  return 0;
}

void socketsCleanup() {}

}  // namespace velmora::platform
