#include "platform/icmp6_packet_posix.h"

#include <cstring>

namespace velmora::platform::icmp6 {

namespace {

constexpr uint8_t kDestinationUnreachableType = 1;
constexpr uint8_t kPacketTooBigType = 2;
constexpr uint8_t kTimeExceededType = 3;
constexpr uint8_t kParameterProblemType = 4;
constexpr uint8_t kEchoRequest = 128;
constexpr uint8_t kEchoReply = 129;
constexpr uint8_t kNextHeaderIcmpv6 = 58;
constexpr size_t kNextHeaderOffset = 6;
constexpr size_t kDestinationOffset = 24;

uint32_t unreachableStatus(uint8_t code) {
  switch (code) {
    case 0:
      return icmp::kNetUnreachable;
    case 1:
    case 5:
    case 6:
      // Prohibited by policy or a reject route: the number the echo call
      // gives shares its value and text with "protocol unreachable".
      return icmp::kProtocolUnreachable;
    case 2:
      return kDestScopeMismatch;
    case 3:
      return icmp::kHostUnreachable;
    case 4:
      return icmp::kPortUnreachable;
    default:
      return kDestUnreachable;
  }
}

bool isOurRequest(const uint8_t* packet, size_t length, const Echo6Key& key) {
  return icmp::carriesEcho(packet, length, kEchoRequest, key.identifier, key.sequence);
}

// An error quotes as much of the invoking packet as fits: our request's
// IPv6 header, carrying ICMPv6 directly (we send no extension headers), to
// our destination, then at least its first 8 bytes.
bool quotesOurRequest(const uint8_t* quoted, size_t length, const Echo6Key& key) {
  if (length < kIpv6HeaderSize || (quoted[0] >> 4) != 6) return false;
  if (quoted[kNextHeaderOffset] != kNextHeaderIcmpv6) return false;
  if (std::memcmp(quoted + kDestinationOffset, key.destination, 16) != 0) return false;
  return isOurRequest(quoted + kIpv6HeaderSize, length - kIpv6HeaderSize, key);
}

icmp::EchoOutcome replyOutcome(const uint8_t* packet, size_t length, const uint8_t* source,
                               const Echo6Key& key) {
  icmp::EchoOutcome outcome;
  if (!icmp::carriesEcho(packet, length, kEchoReply, key.identifier, key.sequence)) return outcome;
  if (isUnicast(key.destination) && std::memcmp(source, key.destination, 16) != 0) return outcome;
  outcome.matched = true;
  outcome.dataSize = static_cast<uint16_t>(length - icmp::kIcmpHeaderSize);
  return outcome;
}

icmp::EchoOutcome errorOutcome(const uint8_t* packet, size_t length, const Echo6Key& key) {
  icmp::EchoOutcome outcome;
  uint32_t status = 0;
  if (length < icmp::kIcmpHeaderSize || !statusForError(packet[0], packet[1], &status)) {
    return outcome;
  }
  const size_t header = icmp::kIcmpHeaderSize;
  if (!quotesOurRequest(packet + header, length - header, key)) return outcome;
  outcome.matched = true;
  outcome.status = status;
  return outcome;
}

}  // namespace

std::vector<uint8_t> buildEchoRequest(const Echo6Key& key, const void* data, uint16_t size) {
  std::vector<uint8_t> packet =
      icmp::buildEcho(kEchoRequest, key.identifier, key.sequence, data, size);
  // The kernel computes the checksum with the addresses it chooses.
  packet[2] = packet[3] = 0;
  return packet;
}

bool statusForError(uint8_t type, uint8_t code, uint32_t* status) {
  switch (type) {
    case kDestinationUnreachableType:
      *status = unreachableStatus(code);
      return true;
    case kPacketTooBigType:
      *status = icmp::kPacketTooBig;
      return true;
    case kTimeExceededType:
      *status = code == 1 ? icmp::kTtlExpiredReassembly : icmp::kTtlExpiredTransit;
      return true;
    case kParameterProblemType:
      *status = icmp::kParameterProblem;
      return true;
    default:
      return false;
  }
}

bool isUnicast(const uint8_t* address) { return address[0] != 0xFF; }

icmp::EchoOutcome parsePacket(const uint8_t* packet, size_t length, const uint8_t* source,
                              const Echo6Key& key) {
  if (length < icmp::kIcmpHeaderSize) return icmp::EchoOutcome{};
  return packet[0] == kEchoReply ? replyOutcome(packet, length, source, key)
                                 : errorOutcome(packet, length, key);
}

bool isErrorAboutOurRequest(const uint8_t* quoted, size_t length, const uint8_t* quotedDestination,
                            const Echo6Key& key) {
  return std::memcmp(quotedDestination, key.destination, 16) == 0 &&
         isOurRequest(quoted, length, key);
}

}  // namespace velmora::platform::icmp6
