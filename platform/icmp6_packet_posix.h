#ifndef TAVRO_PLATFORM_ICMP6_PACKET_POSIX_H_
#define TAVRO_PLATFORM_ICMP6_PACKET_POSIX_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/icmp_packet_posix.h"

// Building ICMPv6 echo requests and recognising the answers to them. An
// ICMPv6 socket of either kind hands over the message without its IPv6
// header, and the kernel has checked its checksum (which covers the
// addresses) before it does; the sender comes with the message.
namespace velmora::platform::icmp6 {

constexpr size_t kIpv6HeaderSize = 40;

/// IP_STATUS codes of ICMPv6 outcomes that no IPv4 answer shares; they
/// have no text of their own.
constexpr uint32_t kDestUnreachable = 11040;
constexpr uint32_t kDestScopeMismatch = 11045;

/// What tells our ICMPv6 echo request apart from all other traffic.
struct Echo6Key {
  uint8_t destination[16] = {};
  uint16_t identifier = 0;
  uint16_t sequence = 0;
};

/// An echo request (type 128, code 0) with the key's identifier and
/// sequence and `size` bytes of `data`.
std::vector<uint8_t> buildEchoRequest(const Echo6Key& key, const void* data, uint16_t size);

/// The IP_STATUS code of an ICMPv6 error type and code; false for every
/// type that is no error answer to an echo request.
bool statusForError(uint8_t type, uint8_t code, uint32_t* status);

/// False for multicast destinations, whose replies come from other hosts.
bool isUnicast(const uint8_t* address);

/// What an ICMPv6 socket received (ICMPv6 header first) from `source`:
/// our echo reply (identifier, sequence and, for a unicast destination,
/// sent by it) or an error quoting our request (a raw socket receives those
/// as messages). `replier` and `ttl` stay 0 for the caller to fill.
icmp::EchoOutcome parsePacket(const uint8_t* packet, size_t length, const uint8_t* source,
                              const Echo6Key& key);

/// Whether an error report from a datagram socket's error queue is about
/// our request: `quotedDestination` is where the quoted packet went and
/// `quoted` its ICMPv6 part.
bool isErrorAboutOurRequest(const uint8_t* quoted, size_t length, const uint8_t* quotedDestination,
                            const Echo6Key& key);

}  // namespace velmora::platform::icmp6

#endif  // TAVRO_PLATFORM_ICMP6_PACKET_POSIX_H_
