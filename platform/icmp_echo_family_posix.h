#ifndef TAVRO_PLATFORM_ICMP_ECHO_FAMILY_POSIX_H_
#define TAVRO_PLATFORM_ICMP_ECHO_FAMILY_POSIX_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/icmp_packet_posix.h"
#include "platform/socket.h"

// What the echo exchange needs to know of one IP version: its socket
// numbers and filters, and how its packets are built and recognised.
namespace velmora::platform::icmp {

/// The request an answer must match, whatever the family.
struct EchoTarget {
  SocketAddress destination;
  uint16_t identifier = 0;
  uint16_t sequence = 0;
};

class EchoFamily {
 public:
  virtual ~EchoFamily() = default;

  int domain = 0;
  int protocol = 0;
  /// Option level of the IP layer, and its options for the error queue
  /// and the reply's TTL or hop limit (with the control message type it
  /// comes in).
  int level = 0;
  int receiveErrors = 0;
  int receiveHopLimit = 0;
  int hopLimitMessage = 0;
  /// The error queue's origin value for errors the network sent.
  uint8_t errorOrigin = 0;
  /// Whether a raw socket hands over the IP header before the message (it
  /// then carries the TTL, and no control message does).
  bool rawHasIpHeader = false;
  /// Size of the reply record the caller's buffer must hold.
  uint32_t recordSize = 0;

  /// The kernel filters of a raw socket: the answer types only, and echo
  /// replies only with `identifier`.
  virtual bool installRawFilters(int fd, uint16_t identifier) const = 0;
  virtual std::vector<uint8_t> buildRequest(const EchoTarget& target, const void* data,
                                            uint16_t size) const = 0;
  /// A received packet from `source`: our reply or an error about our
  /// request. The replier is `source`.
  virtual EchoOutcome parse(const uint8_t* packet, size_t length, const SocketAddress& source,
                            bool raw, const EchoTarget& target) const = 0;
  /// An error-queue report quoting `quoted` (ICMP part) sent to
  /// `quotedDestination`.
  virtual bool isErrorAboutOurRequest(const uint8_t* quoted, size_t length,
                                      const SocketAddress& quotedDestination,
                                      const EchoTarget& target) const = 0;
  virtual bool statusForError(uint8_t type, uint8_t code, uint32_t* status) const = 0;
};

/// The description of kFamilyIPv4 or kFamilyIPv6 (IPv4 for anything else).
const EchoFamily& echoFamily(int family);

}  // namespace velmora::platform::icmp

#endif  // TAVRO_PLATFORM_ICMP_ECHO_FAMILY_POSIX_H_
