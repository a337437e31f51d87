#ifndef TAVRO_PLATFORM_INET_H_
#define TAVRO_PLATFORM_INET_H_

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

/// inet_addr: dotted text to an IPv4 address in network byte order;
/// 0xFFFFFFFF (INADDR_NONE) when the text is not accepted, which is also what
/// "255.255.255.255" yields.
uint32_t inetAddr(const char* text);

/// inet_ntoa: an IPv4 address in network byte order to dotted text.
std::string inetNtoa(uint32_t address);

/// One entry of a getaddrinfo answer: address family 4 or 6 and the address
/// in its usual numeric text form (an IPv6 address with its zone when it
/// has a scope).
struct ResolvedAddress {
  int family = 0;
  std::string text;
};

/// getaddrinfo(node, service) with hints: any family, stream socket, TCP.
/// Returns 0 with the entries in answer order, or the Windows error code of
/// the failure (POSIX EAI_* values mapped: EAI_NONAME and EAI_NODATA 11001,
/// EAI_AGAIN 11002, EAI_FAIL 11003, ...).
int getAddrInfo(const char* node, const char* service, std::vector<ResolvedAddress>* out);

/// Starts the socket library (WSAStartup 2.2 on Windows; nothing to do on
/// POSIX). Returns 0 or a Winsock error code; `granted` gets the version.
int socketsStartup(uint16_t* granted);
void socketsCleanup();

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_INET_H_
