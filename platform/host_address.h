#ifndef TAVRO_PLATFORM_HOST_ADDRESS_H_
#define TAVRO_PLATFORM_HOST_ADDRESS_H_

#include <string>

#include "platform/socket.h"

namespace velmora::platform {

/// Looks `name` up over IPv6 and takes the first address: getaddrinfo with
/// family IPv6, a stream socket when `streamSocket` (else any type), the
/// canonical-name flag when `canonicalName` is given, no other flags. Fills
/// `out` (port 0) and the canonical name and returns 0, or the Winsock code
/// of the failure (11001 for an unknown name, or an answer without an IPv6
/// address).
int resolveIPv6(const char* name, bool streamSocket, SocketAddress* out,
                std::string* canonicalName = nullptr);

/// getnameinfo with NI_NUMERICHOST: the numeric text of an IPv6 address;
/// empty when it cannot be formed.
std::string numericIPv6Text(const SocketAddress& address);

/// Reads a numeric IPv6 address, with an optional "%zone" (an interface name
/// or number), without asking any name server (getaddrinfo with
/// AI_NUMERICHOST): false when the text is no such address or names no
/// interface of this machine.
bool numericIPv6Address(const std::string& text, SocketAddress* out);

/// gethostname into at most `limit` bytes: 0, or the Winsock code.
int localHostName(std::string* name, int limit);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_HOST_ADDRESS_H_
