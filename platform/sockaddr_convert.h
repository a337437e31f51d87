#ifndef TAVRO_PLATFORM_SOCKADDR_CONVERT_H_
#define TAVRO_PLATFORM_SOCKADDR_CONVERT_H_

// Socket code that reads the same on both systems (sockaddr conversion,
// address texts, option numbers), written once for both backends: include
// after the system socket headers.

#include <cstring>
#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "platform/inet.h"
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

/// The text form of an IPv4 or IPv6 getaddrinfo entry; false for other
/// families.
template <typename AddrInfo>
bool addressText(const AddrInfo& entry, ResolvedAddress* out) {
  // getnameinfo rather than inet_ntop: a link-local answer keeps its zone.
  char text[NI_MAXHOST] = {};
  if (entry.ai_family == AF_INET) {
    out->family = 4;
  } else if (entry.ai_family == AF_INET6) {
    out->family = 6;
  } else {
    return false;
  }
  if (::getnameinfo(entry.ai_addr, static_cast<socklen_t>(entry.ai_addrlen), text, sizeof text,
                    nullptr, 0, NI_NUMERICHOST) != 0) {
    return false;
  }
  out->text = text;
  return true;
}

/// Appends the IPv4 and IPv6 entries of a getaddrinfo answer, in answer
/// order, to `out`.
template <typename AddrInfo>
void collectAddresses(const AddrInfo* answer, std::vector<ResolvedAddress>* out) {
  for (const AddrInfo* entry = answer; entry != nullptr; entry = entry->ai_next) {
    ResolvedAddress address;
    if (addressText(*entry, &address)) out->push_back(address);
  }
}

/// getaddrinfo(node, service) with hints: any family, stream socket, TCP.
/// Returns 0 with the IPv4 and IPv6 entries in answer order in `out`, or
/// `translate(status)` of a failed call.
template <typename Translate>
int streamAddresses(const char* node, const char* service, std::vector<ResolvedAddress>* out,
                    Translate translate) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* answer = nullptr;
  const int status = ::getaddrinfo(node, service, &hints, &answer);
  if (status != 0) return translate(status);
  out->clear();
  collectAddresses(answer, out);
  ::freeaddrinfo(answer);
  return 0;
}

/// Looks `name` up over IPv6 and takes the first address: getaddrinfo with
/// family IPv6, a stream socket when `streamSocket` (else any type), and the
/// canonical-name flag when `canonicalName` is given. Fills `out` (port 0)
/// and the canonical name and returns 0; a failed call returns
/// `translate(status)`, an answer without an IPv6 address 11001.
template <typename Translate>
int firstIPv6Address(const char* name, bool streamSocket, SocketAddress* out,
                     std::string* canonicalName, Translate translate) {
  addrinfo hints{};
  hints.ai_family = AF_INET6;
  hints.ai_socktype = streamSocket ? SOCK_STREAM : 0;
  hints.ai_flags = canonicalName != nullptr ? AI_CANONNAME : 0;
  addrinfo* answer = nullptr;
  const int status = ::getaddrinfo(name, nullptr, &hints, &answer);
  if (status != 0) return translate(status);
  if (answer == nullptr || answer->ai_family != AF_INET6) {
    if (answer != nullptr) ::freeaddrinfo(answer);
    return kWsaHostNotFound;
  }
  sockaddr_in6 address{};
  std::memcpy(&address, answer->ai_addr, sizeof(address));
  if (canonicalName != nullptr) {
    *canonicalName = answer->ai_canonname != nullptr ? answer->ai_canonname : "";
  }
  ::freeaddrinfo(answer);
  fromSockaddr(address, out);
  return 0;
}

/// A numeric IPv6 text (with an optional zone) without any name lookup.
inline bool numericIPv6Address(const char* text, SocketAddress* out) {
  addrinfo hints{};
  hints.ai_family = AF_INET6;
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* answer = nullptr;
  if (::getaddrinfo(text, nullptr, &hints, &answer) != 0) return false;
  const bool found = answer != nullptr && answer->ai_family == AF_INET6;
  if (found) {
    sockaddr_in6 address{};
    std::memcpy(&address, answer->ai_addr, sizeof(address));
    fromSockaddr(address, out);
  }
  if (answer != nullptr) ::freeaddrinfo(answer);
  return found;
}

/// The numeric text of an IPv6 address (with its scope); empty on failure.
inline std::string numericIPv6Text(const SocketAddress& address) {
  sockaddr_in6 storage{};
  if (toSockaddr(address, &storage) == 0) return std::string();
  char host[NI_MAXHOST] = {};
  if (::getnameinfo(reinterpret_cast<const sockaddr*>(&storage), sizeof(storage), host,
                    sizeof(host), nullptr, 0, NI_NUMERICHOST) != 0) {
    return std::string();
  }
  return host;
}

/// The level and name of a socket option; false for an unknown one.
inline bool optionLevelAndName(SocketOption option, int* level, int* name) {
  switch (option) {
    case SocketOption::kKeepAlive:
      *level = SOL_SOCKET;
      *name = SO_KEEPALIVE;
      return true;
    case SocketOption::kReceiveBuffer:
      *level = SOL_SOCKET;
      *name = SO_RCVBUF;
      return true;
    case SocketOption::kSendBuffer:
      *level = SOL_SOCKET;
      *name = SO_SNDBUF;
      return true;
    case SocketOption::kOobInline:
      *level = SOL_SOCKET;
      *name = SO_OOBINLINE;
      return true;
    case SocketOption::kTcpNoDelay:
      *level = IPPROTO_TCP;
      *name = TCP_NODELAY;
      return true;
    case SocketOption::kReuseAddress:
      *level = SOL_SOCKET;
      *name = SO_REUSEADDR;
      return true;
  }
  return false;
}

}  // namespace velmora::platform::detail

#endif  // TAVRO_PLATFORM_SOCKADDR_CONVERT_H_
