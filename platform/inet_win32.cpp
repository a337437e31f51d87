#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/inet.h"

namespace velmora::platform {

namespace {

bool addressText(const addrinfo& entry, ResolvedAddress* out) {
  char text[INET6_ADDRSTRLEN] = {};
  void* raw = nullptr;
  if (entry.ai_family == AF_INET) {
    raw = &reinterpret_cast<sockaddr_in*>(entry.ai_addr)->sin_addr;
    out->family = 4;
  } else if (entry.ai_family == AF_INET6) {
    raw = &reinterpret_cast<sockaddr_in6*>(entry.ai_addr)->sin6_addr;
    out->family = 6;
  } else {
    return false;
  }
  if (inet_ntop(entry.ai_family, raw, text, sizeof text) == nullptr) return false;
  out->text = text;
  return true;
}

}  // namespace

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
  for (const addrinfo* entry = result; entry != nullptr; entry = entry->ai_next) {
    ResolvedAddress address;
    if (addressText(*entry, &address)) out->push_back(address);
  }
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
