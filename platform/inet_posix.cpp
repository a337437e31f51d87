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
  errno = 0;
  return detail::streamAddresses(node, service, out,
                                 [](int status) { return winsockCodeFromEai(status, errno); });
}

int socketsStartup(uint16_t* granted) {
  *granted = 0x0202;
  return 0;
}

void socketsCleanup() {}

}  // namespace velmora::platform
