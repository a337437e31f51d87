#ifndef TAVRO_PLATFORM_SOCKET_H_
#define TAVRO_PLATFORM_SOCKET_H_

#include <cstdint>

#include "platform/error_codes.h"
#include "platform/event_loop.h"

namespace velmora::platform {

/// A socket as the components hold it: SOCKET on Windows, a descriptor on
/// POSIX. kInvalidSocket (all bits set) means none.
using SocketHandle = intptr_t;
constexpr SocketHandle kInvalidSocket = -1;

/// Address families as Winsock numbers them.
constexpr int kFamilyIPv4 = 2;
constexpr int kFamilyIPv6 = 23;

/// WSAAsyncSelect event bits; the notification's lParam carries the event in
/// its low word and the Winsock error code in its high word.
constexpr long kFdRead = 0x01;
constexpr long kFdWrite = 0x02;
constexpr long kFdOob = 0x04;
constexpr long kFdAccept = 0x08;
constexpr long kFdConnect = 0x10;
constexpr long kFdClose = 0x20;

inline intptr_t makeSelectLParam(long event, int error) {
  return static_cast<intptr_t>((static_cast<uint32_t>(error) << 16) |
                               (static_cast<uint32_t>(event) & 0xFFFF));
}
inline long selectEvent(intptr_t lParam) { return lParam & 0xFFFF; }
inline int selectError(intptr_t lParam) { return (lParam >> 16) & 0xFFFF; }

/// An IPv4 or IPv6 endpoint. `address` holds 4 or 16 bytes in network order;
/// `port` is in host order.
struct SocketAddress {
  int family = kFamilyIPv4;
  uint8_t address[16] = {};
  uint16_t port = 0;
  uint32_t scopeId = 0;
};

/// IPv4 endpoint from an address in network byte order and a port.
SocketAddress ipv4Address(uint32_t networkOrderAddress, uint16_t port);
uint32_t ipv4Of(const SocketAddress& address);

/// Every call returns 0 or the Winsock error code of the failure (on POSIX
/// errno translated: ECONNREFUSED 10061, EINPROGRESS of a connect 10035, ...).
int createStreamSocket(int family, SocketHandle* out);
int closeSocket(SocketHandle socket);
int bindSocket(SocketHandle socket, const SocketAddress& address);
/// A non-blocking socket's connect in progress gives 10035.
int connectSocket(SocketHandle socket, const SocketAddress& address);
int listenSocket(SocketHandle socket, int backlog);
int acceptSocket(SocketHandle socket, SocketHandle* accepted, SocketAddress* peer);
int sendSocket(SocketHandle socket, const void* data, int length, int* sent);
/// `*received` is 0 at the orderly end of the stream.
int recvSocket(SocketHandle socket, void* buffer, int length, int* received);
int shutdownSend(SocketHandle socket);
int localAddress(SocketHandle socket, SocketAddress* address);
int setNonBlocking(SocketHandle socket);

/// Socket options the components set.
enum class SocketOption {
  kKeepAlive,      // SO_KEEPALIVE, 0 or 1
  kReceiveBuffer,  // SO_RCVBUF, bytes
  kSendBuffer,     // SO_SNDBUF, bytes
  kOobInline,      // SO_OOBINLINE, 0 or 1
  kTcpNoDelay,     // TCP_NODELAY, 0 or 1
  kReuseAddress,   // SO_REUSEADDR, 0 or 1 (test listeners)
};
int setSocketOption(SocketHandle socket, SocketOption option, int value);
int getSocketOption(SocketHandle socket, SocketOption option, int* value);
/// SO_LINGER {on, seconds}.
int setLinger(SocketHandle socket, bool on, int seconds);
/// SIO_KEEPALIVE_VALS: keep-alive on/off with idle time and interval in ms
/// (POSIX: TCP_KEEPIDLE / TCP_KEEPINTVL, rounded up to whole seconds).
int setKeepAliveValues(SocketHandle socket, bool on, uint32_t timeMillis, uint32_t intervalMillis);

/// WSAAsyncSelect: makes the socket non-blocking and asks for `message` on
/// `window` for the events in `mask` (0 stops them), with Winsock's rules:
/// FD_CONNECT once with the connect result, FD_WRITE after connect and after a
/// send that would block, FD_READ re-armed by each receive call, FD_CLOSE
/// once after the data.
int asyncSelect(SocketHandle socket, WindowHandle window, uint32_t message, long mask);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SOCKET_H_
