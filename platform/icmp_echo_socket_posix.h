#ifndef TAVRO_PLATFORM_ICMP_ECHO_SOCKET_POSIX_H_
#define TAVRO_PLATFORM_ICMP_ECHO_SOCKET_POSIX_H_

#include <cstdint>
#include <memory>

#include "platform/socket.h"

// The echo exchange on an ICMP or ICMPv6 socket, written once for both
// families: opening the socket (datagram where allowed, else raw with its
// kernel filters), sending a request, waiting for the packet that answers
// it and reading the error queue. What differs between the families (the
// packet formats, option numbers, filters) is behind one description each.
namespace velmora::platform::icmp {

/// One ICMP socket of `family` (kFamilyIPv4 or kFamilyIPv6) with what the
/// requests sent through it carry: the raw socket's identifier is ours, a
/// datagram socket's is its port, which the kernel writes into every request.
struct EchoSocket {
  int fd = -1;
  int family = kFamilyIPv4;
  bool raw = false;
  uint16_t identifier = 0;
};

/// Opens and prepares a socket of `family`; 0 or the Windows error code.
uint32_t openEchoSocket(int family, EchoSocket* socket);
void closeEchoSocket(EchoSocket* socket);

/// The first reply record of an echo call, whatever the family. `ttl` is
/// the hop limit for IPv6, 0 when the packet carried none.
struct EchoResult {
  uint32_t count = 0;
  uint32_t status = 0;
  SocketAddress replier;
  uint32_t roundTripTime = 0;
  uint16_t dataSize = 0;
  uint8_t ttl = 0;
};

/// Echo calls through one socket (not owned), with the receive buffer they
/// share.
class EchoExchange {
 public:
  explicit EchoExchange(const EchoSocket& socket);
  ~EchoExchange();
  EchoExchange(const EchoExchange&) = delete;
  EchoExchange& operator=(const EchoExchange&) = delete;

  /// The contract of IcmpEcho::send: `destination` is of the socket's family;
  /// the caller's buffer must hold the family's reply record, the ICMP
  /// header and the data.
  EchoResult send(const SocketAddress& destination, const void* data, uint16_t size,
                  uint32_t replyBufferSize, uint32_t timeoutMs);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace velmora::platform::icmp

#endif  // TAVRO_PLATFORM_ICMP_ECHO_SOCKET_POSIX_H_
