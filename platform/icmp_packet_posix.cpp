#include "platform/icmp_packet_posix.h"

#include <cstring>

namespace velmora::platform::icmp {

namespace {

constexpr uint8_t kEchoReply = 0;
constexpr uint8_t kDestinationUnreachable = 3;
constexpr uint8_t kSourceQuenchType = 4;
constexpr uint8_t kEchoRequest = 8;
constexpr uint8_t kTimeExceeded = 11;
constexpr uint8_t kParameterProblemType = 12;
constexpr uint8_t kProtocolIcmp = 1;
constexpr size_t kMinIpHeaderSize = 20;

uint16_t readBig16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

uint32_t readRaw32(const uint8_t* p) {
  uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// An IPv4 header's length in bytes, or 0 when `length` bytes cannot hold
// a well-formed header carrying ICMP.
size_t ipHeaderLength(const uint8_t* packet, size_t length) {
  if (length < kMinIpHeaderSize || (packet[0] >> 4) != 4) return 0;
  const size_t headerLength = static_cast<size_t>(packet[0] & 0x0F) * 4;
  if (headerLength < kMinIpHeaderSize || headerLength > length) return 0;
  if (packet[9] != kProtocolIcmp) return 0;
  return headerLength;
}

uint32_t unreachableStatus(uint8_t code) {
  switch (code) {
    case 0:
    case 6:
    case 9:
    case 11:
      return kNetUnreachable;
    case 2:
      return kProtocolUnreachable;
    case 3:
      return kPortUnreachable;
    case 4:
      return kPacketTooBig;
    case 5:
      return kBadRoute;
    default:
      return kHostUnreachable;
  }
}

// An error packet quotes the IP header of our request and at least the
// first 8 bytes of its ICMP part.
bool quotesOurRequest(const uint8_t* quoted, size_t length, const EchoKey& key) {
  const size_t headerLength = ipHeaderLength(quoted, length);
  if (headerLength == 0 || readRaw32(quoted + 16) != key.destination) return false;
  return isOurRequest(quoted + headerLength, length - headerLength, key, true);
}

// The one test of an echo reply for both kinds of socket.
EchoOutcome echoReplyOutcome(const uint8_t* icmp, size_t length, uint32_t source,
                             const EchoKey& key) {
  EchoOutcome outcome;
  if (!carriesEcho(icmp, length, kEchoReply, key.identifier, key.sequence) ||
      (isUnicast(key.destination) && source != key.destination) || checksum(icmp, length) != 0) {
    return outcome;
  }
  outcome.matched = true;
  outcome.dataSize = static_cast<uint16_t>(length - kIcmpHeaderSize);
  return outcome;
}

EchoOutcome rawError(const uint8_t* icmp, size_t length, const EchoKey& key) {
  EchoOutcome outcome;
  uint32_t status = 0;
  if (!statusForError(icmp[0], icmp[1], &status)) return outcome;
  if (!quotesOurRequest(icmp + kIcmpHeaderSize, length - kIcmpHeaderSize, key)) return outcome;
  outcome.matched = true;
  outcome.status = status;
  return outcome;
}

}  // namespace

uint16_t checksum(const uint8_t* data, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < length; i += 2) sum += readBig16(data + i);
  if (length % 2 != 0) sum += static_cast<uint32_t>(data[length - 1]) << 8;
  while ((sum >> 16) != 0) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

std::vector<uint8_t> buildEcho(uint8_t type, uint16_t identifier, uint16_t sequence,
                               const void* data, uint16_t size) {
  std::vector<uint8_t> packet(kIcmpHeaderSize + size, 0);
  packet[0] = type;
  packet[4] = static_cast<uint8_t>(identifier >> 8);
  packet[5] = static_cast<uint8_t>(identifier);
  packet[6] = static_cast<uint8_t>(sequence >> 8);
  packet[7] = static_cast<uint8_t>(sequence);
  if (size > 0) std::memcpy(packet.data() + kIcmpHeaderSize, data, size);
  const uint16_t sum = checksum(packet.data(), packet.size());
  packet[2] = static_cast<uint8_t>(sum >> 8);
  packet[3] = static_cast<uint8_t>(sum);
  return packet;
}

std::vector<uint8_t> buildEchoRequest(const EchoKey& key, const void* data, uint16_t size) {
  return buildEcho(kEchoRequest, key.identifier, key.sequence, data, size);
}

bool carriesEcho(const uint8_t* packet, size_t length, uint8_t type, uint16_t identifier,
                 uint16_t sequence, bool checkIdentifier) {
  if (length < kIcmpHeaderSize || packet[0] != type || packet[1] != 0) return false;
  if (checkIdentifier && readBig16(packet + 4) != identifier) return false;
  return readBig16(packet + 6) == sequence;
}

bool statusForError(uint8_t type, uint8_t code, uint32_t* status) {
  switch (type) {
    case kDestinationUnreachable:
      *status = unreachableStatus(code);
      return true;
    case kTimeExceeded:
      *status = code == 1 ? kTtlExpiredReassembly : kTtlExpiredTransit;
      return true;
    case kParameterProblemType:
      *status = kParameterProblem;
      return true;
    case kSourceQuenchType:
      *status = kSourceQuench;
      return true;
    default:
      return false;
  }
}

EchoOutcome parseRawPacket(const uint8_t* packet, size_t length, const EchoKey& key) {
  const size_t headerLength = ipHeaderLength(packet, length);
  if (headerLength == 0 || length - headerLength < kIcmpHeaderSize) return EchoOutcome{};
  const uint8_t* icmp = packet + headerLength;
  const size_t icmpLength = length - headerLength;
  const uint32_t source = readRaw32(packet + 12);
  EchoOutcome outcome = icmp[0] == kEchoReply ? echoReplyOutcome(icmp, icmpLength, source, key)
                                              : rawError(icmp, icmpLength, key);
  if (outcome.matched) {
    outcome.replier = source;
    outcome.ttl = packet[8];
  }
  return outcome;
}

EchoOutcome parseDatagramReply(const uint8_t* packet, size_t length, uint32_t source,
                               const EchoKey& key) {
  EchoOutcome outcome = echoReplyOutcome(packet, length, source, key);
  if (outcome.matched) outcome.replier = source;
  return outcome;
}

bool isErrorAboutOurRequest(const uint8_t* quoted, size_t length, uint32_t quotedDestination,
                            const EchoKey& key) {
  return quotedDestination == key.destination && isOurRequest(quoted, length, key, true);
}

bool isUnicast(uint32_t destination) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&destination);
  const bool multicast = (bytes[0] & 0xF0) == 0xE0;
  return !multicast && destination != 0xFFFFFFFFu;
}

bool isOurRequest(const uint8_t* packet, size_t length, const EchoKey& key, bool checkIdentifier) {
  return carriesEcho(packet, length, kEchoRequest, key.identifier, key.sequence, checkIdentifier);
}

}  // namespace velmora::platform::icmp
