#ifndef TAVRO_PLATFORM_HOST_ADDRESS_H_
#define TAVRO_PLATFORM_HOST_ADDRESS_H_

#include <string>

#include "platform/socket.h"

namespace velmora::platform {

/// getaddrinfo for an IPv6 address of `name` (hints: family IPv6, a stream
/// socket when `streamSocket`, else any type; no flags). Fills the address of
/// the first answer (port 0) and returns 0, or the Winsock code of the
/// failure (11001 for an unknown name).
int resolveIPv6(const char* name, bool streamSocket, SocketAddress* out);

/// getnameinfo with NI_NUMERICHOST: the numeric text of an IPv6 address;
/// empty when it cannot be formed.
std::string numericIPv6Text(const SocketAddress& address);

/// gethostname into at most `limit` bytes: 0, or the Winsock code.
int localHostName(std::string* name, int limit);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_HOST_ADDRESS_H_
