#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "platform/socket.h"

#include <mstcpip.h>

#include "platform/sockaddr_convert.h"

namespace velmora::platform {
namespace {

SOCKET sockOf(SocketHandle socket) { return static_cast<SOCKET>(socket); }

int check(int rc) { return rc == SOCKET_ERROR ? WSAGetLastError() : 0; }

}  // namespace

int createStreamSocket(int family, SocketHandle* out) {
  *out = kInvalidSocket;
  int af = family == kFamilyIPv6 ? AF_INET6 : family == kFamilyIPv4 ? AF_INET : -1;
  if (af < 0) return WSAEAFNOSUPPORT;
  SOCKET s = ::socket(af, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return WSAGetLastError();
  *out = static_cast<SocketHandle>(s);
  return 0;
}

int closeSocket(SocketHandle socket) { return check(::closesocket(sockOf(socket))); }

int bindSocket(SocketHandle socket, const SocketAddress& address) {
  sockaddr_storage storage;
  int length = detail::toSockaddr(address, &storage);
  if (length == 0) return WSAEAFNOSUPPORT;
  return check(::bind(sockOf(socket), reinterpret_cast<sockaddr*>(&storage), length));
}

int connectSocket(SocketHandle socket, const SocketAddress& address) {
  sockaddr_storage storage;
  int length = detail::toSockaddr(address, &storage);
  if (length == 0) return WSAEAFNOSUPPORT;
  return check(::connect(sockOf(socket), reinterpret_cast<sockaddr*>(&storage), length));
}

int listenSocket(SocketHandle socket, int backlog) {
  return check(::listen(sockOf(socket), backlog));
}

int acceptSocket(SocketHandle socket, SocketHandle* accepted, SocketAddress* peer) {
  sockaddr_storage storage = {};
  int length = sizeof(storage);
  SOCKET s = ::accept(sockOf(socket), reinterpret_cast<sockaddr*>(&storage), &length);
  if (s == INVALID_SOCKET) {
    *accepted = kInvalidSocket;
    return WSAGetLastError();
  }
  *accepted = static_cast<SocketHandle>(s);
  if (peer) detail::fromSockaddr(storage, peer);
  return 0;
}

int sendSocket(SocketHandle socket, const void* data, int length, int* sent) {
  *sent = 0;
  int n = ::send(sockOf(socket), static_cast<const char*>(data), length < 0 ? 0 : length, 0);
  if (n == SOCKET_ERROR) return WSAGetLastError();
  *sent = n;
  return 0;
}

int recvSocket(SocketHandle socket, void* buffer, int length, int* received) {
  *received = 0;
  int n = ::recv(sockOf(socket), static_cast<char*>(buffer), length < 0 ? 0 : length, 0);
  if (n == SOCKET_ERROR) return WSAGetLastError();
  *received = n;
  return 0;
}

int shutdownSend(SocketHandle socket) { return check(::shutdown(sockOf(socket), SD_SEND)); }

int localAddress(SocketHandle socket, SocketAddress* address) {
  sockaddr_storage storage = {};
  int length = sizeof(storage);
  int code = check(::getsockname(sockOf(socket), reinterpret_cast<sockaddr*>(&storage), &length));
  if (code == 0) detail::fromSockaddr(storage, address);
  return code;
}

int setNonBlocking(SocketHandle socket) {
  u_long on = 1;
  return check(::ioctlsocket(sockOf(socket), FIONBIO, &on));
}

int setSocketOption(SocketHandle socket, SocketOption option, int value) {
  int level = 0, name = 0;
  if (!detail::optionLevelAndName(option, &level, &name)) return WSAENOPROTOOPT;
  return check(::setsockopt(sockOf(socket), level, name, reinterpret_cast<const char*>(&value),
                            sizeof(value)));
}

int getSocketOption(SocketHandle socket, SocketOption option, int* value) {
  int level = 0, name = 0;
  if (!detail::optionLevelAndName(option, &level, &name)) return WSAENOPROTOOPT;
  int length = sizeof(*value);
  return check(::getsockopt(sockOf(socket), level, name, reinterpret_cast<char*>(value), &length));
}

int setLinger(SocketHandle socket, bool on, int seconds) {
  linger value = {};
  value.l_onoff = on ? 1 : 0;
  value.l_linger = static_cast<u_short>(seconds);
  return check(::setsockopt(sockOf(socket), SOL_SOCKET, SO_LINGER,
                            reinterpret_cast<const char*>(&value), sizeof(value)));
}

int setKeepAliveValues(SocketHandle socket, bool on, uint32_t timeMillis, uint32_t intervalMillis) {
  tcp_keepalive values = {};
  values.onoff = on ? 1 : 0;
  values.keepalivetime = timeMillis;
  values.keepaliveinterval = intervalMillis;
  DWORD returned = 0;
  return check(::WSAIoctl(sockOf(socket), SIO_KEEPALIVE_VALS, &values, sizeof(values), nullptr, 0,
                          &returned, nullptr, nullptr));
}

int asyncSelect(SocketHandle socket, WindowHandle window, uint32_t message, long mask) {
  return check(::WSAAsyncSelect(sockOf(socket), static_cast<HWND>(window), message, mask));
}

}  // namespace velmora::platform
