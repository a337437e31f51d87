#include "platform/host_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/sockaddr_convert.h"
#include "platform/system_error_posix.h"

namespace velmora::platform {
namespace {

// The resolver codes Windows reports for the same outcomes; the full
// getaddrinfo table lives with getAddrInfo, these are the ones an IPv6
// lookup of a name can meet.
int winsockCodeFromEai(int eai, int savedErrno) {
  switch (eai) {
    case EAI_SYSTEM:
      return static_cast<int>(windowsErrorFromErrno(savedErrno));
    case EAI_AGAIN:
      return 11002;
    case EAI_FAIL:
      return 11003;
    case EAI_FAMILY:
      return 10047;
    default:
      return 11001;
  }
}

}  // namespace

int resolveIPv6(const char* name, bool streamSocket, SocketAddress* out) {
  addrinfo hints{};
  hints.ai_family = AF_INET6;
  hints.ai_socktype = streamSocket ? SOCK_STREAM : 0;
  addrinfo* result = nullptr;
  errno = 0;
  int status = ::getaddrinfo(name, nullptr, &hints, &result);
  if (status != 0) return winsockCodeFromEai(status, errno);
  if (result == nullptr || result->ai_family != AF_INET6) {
    if (result) ::freeaddrinfo(result);
    return 11001;
  }
  sockaddr_in6 address{};
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
  if (::gethostname(buffer.data(), static_cast<size_t>(limit)) != 0) {
    name->clear();
    return static_cast<int>(windowsErrorFromErrno(errno));
  }
  *name = buffer.data();
  return 0;
}

}  // namespace velmora::platform
