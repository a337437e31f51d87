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
int resolveIPv6(const char* name, bool streamSocket, SocketAddress* out,
                std::string* canonicalName) {
  errno = 0;
  return detail::firstIPv6Address(name, streamSocket, out, canonicalName,
                                  [](int status) { return winsockCodeFromEai(status, errno); });
}

std::string numericIPv6Text(const SocketAddress& address) {
  return detail::numericIPv6Text(address);
}

bool numericIPv6Address(const std::string& text, SocketAddress* out) {
  return detail::numericIPv6Address(text.c_str(), out);
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
