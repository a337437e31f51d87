#ifndef TAVRO_PLATFORM_ICMP_ECHO_H_
#define TAVRO_PLATFORM_ICMP_ECHO_H_

#include <cstdint>
#include <memory>

#include "platform/socket.h"

namespace velmora::platform {

/// The first reply record of an echo call (the fields of ICMP_ECHO_REPLY that
/// callers read). `address` is in network byte order.
struct EchoReply {
  uint32_t address = 0;
  uint32_t status = 0;
  uint32_t roundTripTime = 0;
  uint16_t dataSize = 0;
  uint8_t ttl = 0;
};

/// One ICMP echo handle (IcmpCreateFile ... IcmpCloseHandle), closed when the
/// object goes. POSIX: a datagram ICMP socket where ping_group_range allows
/// it, else a raw socket; after hold() every handle shares the held socket.
class IcmpEcho {
 public:
  virtual ~IcmpEcho() = default;

  /// POSIX: opens the sockets every later handle uses (IPv4 and IPv6), while
  /// the process may still hold the right to a raw socket; a failure is
  /// remembered and reported by each open(). Windows opens a handle per call:
  /// no effect.
  static void hold();

  /// Closes the held socket, for a run that sends no echo request; handles
  /// opened afterwards have a socket of their own again.
  static void release();

  /// Opens a handle; nullptr with a Windows error code in `error` on failure.
  static std::unique_ptr<IcmpEcho> open(uint32_t* error);

  /// Sends one echo request to `destination` (network byte order) carrying
  /// `size` bytes of `data`, with a reply buffer of `replyBufferSize` bytes
  /// (zero-filled), and waits up to `timeoutMs`. Returns the number of replies
  /// (0 or 1) and fills `reply` with the first reply record: on a time-out the
  /// status is 11010 and the rest zero; an ICMP error from the network gives
  /// its IP_STATUS code with the replier's address. A call that fails before
  /// any answer (buffer too small 11001, send refused 11050 or 11003, or a
  /// system error code) returns 0 with that code as status, never 0.
  virtual uint32_t send(uint32_t destination, const void* data, uint16_t size,
                        uint32_t replyBufferSize, uint32_t timeoutMs, EchoReply* reply) = 0;
};

/// The first reply record of an IPv6 echo call (ICMPV6_ECHO_REPLY as
/// Icmp6ParseReplies hands it over). `address` is the replier, family IPv6,
/// with its scope id; the Windows call reports no hop limit, so there is none.
struct Echo6Reply {
  SocketAddress address;
  uint32_t status = 0;
  uint32_t roundTripTime = 0;
  uint16_t dataSize = 0;
};

/// One ICMPv6 echo handle (Icmp6CreateFile ... IcmpCloseHandle). POSIX: an
/// ICMPv6 datagram socket where ping_group_range allows it, else a raw one,
/// held by IcmpEcho::hold() like the IPv4 socket.
class Icmp6Echo {
 public:
  virtual ~Icmp6Echo() = default;

  /// Opens a handle; nullptr with a Windows error code in `error` on failure.
  static std::unique_ptr<Icmp6Echo> open(uint32_t* error);

  /// Icmp6SendEcho2 from in6addr_any to `destination` (family IPv6, scope id
  /// kept): the same contract as IcmpEcho::send, with the outcomes of ICMPv6
  /// messages given as IP_STATUS codes.
  virtual uint32_t send(const SocketAddress& destination, const void* data, uint16_t size,
                        uint32_t replyBufferSize, uint32_t timeoutMs, Echo6Reply* reply) = 0;
};

/// Closes the held echo socket of one family (kFamilyIPv4 or kFamilyIPv6)
/// once the target shows it is not needed; IcmpEcho::release() closes both.
void releaseEchoFamily(int family);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_ICMP_ECHO_H_
