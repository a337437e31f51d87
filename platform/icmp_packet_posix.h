#ifndef TAVRO_PLATFORM_ICMP_PACKET_POSIX_H_
#define TAVRO_PLATFORM_ICMP_PACKET_POSIX_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/error_codes.h"

// Building echo requests and recognising the answers to them in what an
// ICMP socket receives. Pure byte handling: every length is checked before
// a field is read, and anything short, malformed or not ours is ignored.
namespace velmora::platform::icmp {

constexpr size_t kIcmpHeaderSize = 8;

/// What tells our echo request apart from all other ICMP traffic. The
/// destination is in network byte order.
struct EchoKey {
  uint32_t destination = 0;
  uint16_t identifier = 0;
  uint16_t sequence = 0;
};

/// A packet recognised as the answer to our request. `replier` is the
/// sender in network byte order (a router for an error); `dataSize` is the
/// echoed payload length, 0 for errors; `ttl` 0 when the packet carried none.
struct EchoOutcome {
  bool matched = false;
  uint32_t status = kSuccess;
  uint32_t replier = 0;
  uint16_t dataSize = 0;
  uint8_t ttl = 0;
};

/// The Internet checksum (RFC 1071) of `length` bytes.
uint16_t checksum(const uint8_t* data, size_t length);

/// An echo message of `type` (code 0) with `identifier`, `sequence`, `size`
/// bytes of `data` and its checksum over the message alone (ICMPv6 adds a
/// pseudo-header, which the kernel fills in).
std::vector<uint8_t> buildEcho(uint8_t type, uint16_t identifier, uint16_t sequence,
                               const void* data, uint16_t size);

/// An echo request (type 8, code 0) with the key's identifier and sequence,
/// `size` bytes of `data` and a correct checksum.
std::vector<uint8_t> buildEchoRequest(const EchoKey& key, const void* data, uint16_t size);

/// Whether `packet` (ICMP or ICMPv6 header first) is an echo message of
/// `type` and code 0 with `identifier` and `sequence`; the identifier is
/// compared only when `checkIdentifier`.
bool carriesEcho(const uint8_t* packet, size_t length, uint8_t type, uint16_t identifier,
                 uint16_t sequence, bool checkIdentifier = true);

/// The IP_STATUS code of an ICMP error type and code; false for types that
/// are no error answer to an echo request (they are ignored).
bool statusForError(uint8_t type, uint8_t code, uint32_t* status);

/// False for multicast and the limited broadcast address, whose replies
/// come from other hosts than the one probed.
bool isUnicast(uint32_t destination);

/// What a raw ICMP socket received (IPv4 header first): our echo reply
/// (identifier, sequence, valid checksum and, for a unicast destination,
/// sent by it) or an ICMP error quoting our request (quoted destination,
/// protocol, identifier and sequence).
EchoOutcome parseRawPacket(const uint8_t* packet, size_t length, const EchoKey& key);

/// What an ICMP datagram socket received (ICMP header first) from `source`:
/// our echo reply by the same rules as on a raw socket. The key's identifier
/// is the one the kernel writes into our requests (the socket's port).
/// `ttl` stays 0 for the caller to fill from the control data.
EchoOutcome parseDatagramReply(const uint8_t* packet, size_t length, uint32_t source,
                               const EchoKey& key);

/// Whether an error report from a datagram socket's error queue is about
/// our request: `quotedDestination` is where the quoted datagram went (the
/// kernel only hands ICMP-quoting errors to such a socket) and `quoted` its
/// ICMP part.
bool isErrorAboutOurRequest(const uint8_t* quoted, size_t length, uint32_t quotedDestination,
                            const EchoKey& key);

/// True when `packet` (ICMP header first) is our echo request, as an error
/// report quotes it. The identifier is compared only when `checkIdentifier`.
bool isOurRequest(const uint8_t* packet, size_t length, const EchoKey& key, bool checkIdentifier);

}  // namespace velmora::platform::icmp

#endif  // TAVRO_PLATFORM_ICMP_PACKET_POSIX_H_
