#ifndef TAVRO_PLATFORM_SOCKADDR_CONVERT_H_
#define TAVRO_PLATFORM_SOCKADDR_CONVERT_H_

// Conversion between SocketAddress and the system's sockaddr_in/sockaddr_in6,
// written once for both backends: include after the system socket headers.

#include <cstring>

#include "platform/socket.h"

namespace velmora::platform::detail {

/// Fills `storage`; returns the sockaddr length, 0 for an unknown family.
template <typename Storage>
int toSockaddr(const SocketAddress& in, Storage* storage) {
  std::memset(storage, 0, sizeof(*storage));
  if (in.family == kFamilyIPv4) {
    auto* sa = reinterpret_cast<sockaddr_in*>(storage);
    sa->sin_family = AF_INET;
    sa->sin_port = htons(in.port);
    std::memcpy(&sa->sin_addr, in.address, 4);
    return static_cast<int>(sizeof(sockaddr_in));
  }
  if (in.family == kFamilyIPv6) {
    auto* sa = reinterpret_cast<sockaddr_in6*>(storage);
    sa->sin6_family = AF_INET6;
    sa->sin6_port = htons(in.port);
    std::memcpy(&sa->sin6_addr, in.address, 16);
    sa->sin6_scope_id = in.scopeId;
    return static_cast<int>(sizeof(sockaddr_in6));
  }
  return 0;
}

template <typename Storage>
void fromSockaddr(const Storage& storage, SocketAddress* out) {
  *out = SocketAddress();
  const auto* generic = reinterpret_cast<const sockaddr*>(&storage);
  if (generic->sa_family == AF_INET) {
    const auto* sa = reinterpret_cast<const sockaddr_in*>(&storage);
    out->family = kFamilyIPv4;
    out->port = ntohs(sa->sin_port);
    std::memcpy(out->address, &sa->sin_addr, 4);
  } else if (generic->sa_family == AF_INET6) {
    const auto* sa = reinterpret_cast<const sockaddr_in6*>(&storage);
    out->family = kFamilyIPv6;
    out->port = ntohs(sa->sin6_port);
    std::memcpy(out->address, &sa->sin6_addr, 16);
    out->scopeId = sa->sin6_scope_id;
  }
}

}  // namespace velmora::platform::detail

#endif  // TAVRO_PLATFORM_SOCKADDR_CONVERT_H_
