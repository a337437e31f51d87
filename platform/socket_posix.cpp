#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/sockaddr_convert.h"
#include "platform/socket_events_posix.h"

namespace velmora::platform {

namespace {

int lastError() { return winsockCodeFromErrno(errno); }

int check(int rc) { return rc < 0 ? lastError() : 0; }

int fdOf(SocketHandle socket) { return static_cast<int>(socket); }

}  // namespace

int createStreamSocket(int family, SocketHandle* out) {
  *out = kInvalidSocket;
  int af = family == kFamilyIPv6 ? AF_INET6 : family == kFamilyIPv4 ? AF_INET : -1;
  if (af < 0) return kWsaEAfNoSupport;
  int fd = ::socket(af, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return lastError();
  *out = fd;
  return 0;
}

int closeSocket(SocketHandle socket) {
  if (socket == kInvalidSocket) return kWsaENotSock;
  noteSocketClosed(fdOf(socket));
  return check(::close(fdOf(socket)));
}

int bindSocket(SocketHandle socket, const SocketAddress& address) {
  sockaddr_storage storage;
  int length = detail::toSockaddr(address, &storage);
  if (length == 0) return kWsaEAfNoSupport;
  return check(
      ::bind(fdOf(socket), reinterpret_cast<sockaddr*>(&storage), static_cast<socklen_t>(length)));
}

int connectSocket(SocketHandle socket, const SocketAddress& address) {
  sockaddr_storage storage;
  int length = detail::toSockaddr(address, &storage);
  if (length == 0) return kWsaEAfNoSupport;
  int rc = ::connect(fdOf(socket), reinterpret_cast<sockaddr*>(&storage),
                     static_cast<socklen_t>(length));
  if (rc == 0 || errno == EINPROGRESS) noteConnectStarted(fdOf(socket));
  if (rc == 0) return 0;
  // Winsock reports a non-blocking connect in progress as "would block".
  return errno == EINPROGRESS ? kWsaEWouldBlock : lastError();
}

int listenSocket(SocketHandle socket, int backlog) {
  return check(::listen(fdOf(socket), backlog));
}

int acceptSocket(SocketHandle socket, SocketHandle* accepted, SocketAddress* peer) {
  sockaddr_storage storage{};
  socklen_t length = sizeof(storage);
  int fd = ::accept4(fdOf(socket), reinterpret_cast<sockaddr*>(&storage), &length, SOCK_CLOEXEC);
  noteReceiveCalled(fdOf(socket));
  if (fd < 0) {
    *accepted = kInvalidSocket;
    return lastError();
  }
  *accepted = fd;
  if (peer) detail::fromSockaddr(storage, peer);
  return 0;
}

int sendSocket(SocketHandle socket, const void* data, int length, int* sent) {
  *sent = 0;
  ssize_t n =
      ::send(fdOf(socket), data, static_cast<size_t>(length < 0 ? 0 : length), MSG_NOSIGNAL);
  if (n >= 0) {
    *sent = static_cast<int>(n);
    return 0;
  }
  const bool reset = errno == ECONNRESET;
  int code = lastError();
  if (code == kWsaEWouldBlock) noteSendWouldBlock(fdOf(socket));
  if (reset) noteConnectionReset(fdOf(socket));
  return code;
}

int recvSocket(SocketHandle socket, void* buffer, int length, int* received) {
  *received = 0;
  ssize_t n = ::recv(fdOf(socket), buffer, static_cast<size_t>(length < 0 ? 0 : length), 0);
  const bool reset = n < 0 && errno == ECONNRESET;
  int code = n < 0 ? lastError() : 0;
  noteReceiveCalled(fdOf(socket));
  if (reset) noteConnectionReset(fdOf(socket));
  if (n > 0) *received = static_cast<int>(n);
  return code;
}

int shutdownSend(SocketHandle socket) { return check(::shutdown(fdOf(socket), SHUT_WR)); }

int localAddress(SocketHandle socket, SocketAddress* address) {
  sockaddr_storage storage{};
  socklen_t length = sizeof(storage);
  if (::getsockname(fdOf(socket), reinterpret_cast<sockaddr*>(&storage), &length) < 0) {
    return lastError();
  }
  detail::fromSockaddr(storage, address);
  return 0;
}

int setNonBlocking(SocketHandle socket) {
  int flags = ::fcntl(fdOf(socket), F_GETFL);
  if (flags < 0) return lastError();
  return check(::fcntl(fdOf(socket), F_SETFL, flags | O_NONBLOCK));
}

int setSocketOption(SocketHandle socket, SocketOption option, int value) {
  int level = 0, name = 0;
  if (!detail::optionLevelAndName(option, &level, &name)) return kWsaENoProtoOpt;
  return check(::setsockopt(fdOf(socket), level, name, &value, sizeof(value)));
}

int getSocketOption(SocketHandle socket, SocketOption option, int* value) {
  int level = 0, name = 0;
  if (!detail::optionLevelAndName(option, &level, &name)) return kWsaENoProtoOpt;
  socklen_t length = sizeof(*value);
  return check(::getsockopt(fdOf(socket), level, name, value, &length));
}

int setLinger(SocketHandle socket, bool on, int seconds) {
  linger value{on ? 1 : 0, seconds};
  return check(::setsockopt(fdOf(socket), SOL_SOCKET, SO_LINGER, &value, sizeof(value)));
}

int setKeepAliveValues(SocketHandle socket, bool on, uint32_t timeMillis, uint32_t intervalMillis) {
  int code = setSocketOption(socket, SocketOption::kKeepAlive, on ? 1 : 0);
  if (code != 0 || !on) return code;
  int idle = static_cast<int>((timeMillis + 999) / 1000);
  int interval = static_cast<int>((intervalMillis + 999) / 1000);
  if (idle < 1) idle = 1;
  if (interval < 1) interval = 1;
  code = check(::setsockopt(fdOf(socket), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof(idle)));
  if (code != 0) return code;
  return check(::setsockopt(fdOf(socket), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof(interval)));
}

int asyncSelect(SocketHandle socket, WindowHandle window, uint32_t message, long mask) {
  if (socket == kInvalidSocket) return kWsaENotSock;
  int code = setNonBlocking(socket);
  if (code != 0) return code;
  return registerAsyncSelect(fdOf(socket), window, message, mask);
}

}  // namespace velmora::platform
