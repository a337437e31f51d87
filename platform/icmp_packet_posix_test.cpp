#include "platform/icmp_packet_posix.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace velmora::platform::icmp {
namespace {

using Bytes = std::vector<uint8_t>;

// 127.0.0.9 and 192.0.2.1 in network byte order, whatever the host's.
uint32_t address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t bytes[4] = {a, b, c, d};
  uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

const EchoKey kKey{address(127, 0, 0, 9), 0x1234, 0xBEEF};
const uint32_t kRouter = address(192, 0, 2, 1);

// An IPv4 header carrying ICMP, with `options` extra bytes of options.
Bytes ipHeader(uint32_t source, uint32_t destination, uint8_t ttl, size_t options = 0) {
  Bytes header(20 + options, 0);
  header[0] = static_cast<uint8_t>(0x40 | ((20 + options) / 4));
  header[8] = ttl;
  header[9] = 1;
  std::memcpy(&header[12], &source, 4);
  std::memcpy(&header[16], &destination, 4);
  return header;
}

Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes echoReply(const EchoKey& key, size_t payload) {
  Bytes packet = buildEchoRequest(key, Bytes(payload, 'a').data(), static_cast<uint16_t>(payload));
  packet[0] = 0;
  packet[2] = packet[3] = 0;
  const uint16_t sum = checksum(packet.data(), packet.size());
  packet[2] = static_cast<uint8_t>(sum >> 8);
  packet[3] = static_cast<uint8_t>(sum);
  return packet;
}

// A router's error about our request: outer header, error header, quoted
// IP header of the request and its first 8 ICMP bytes.
Bytes errorPacket(uint8_t type, uint8_t code, const EchoKey& key, size_t quotedOptions = 0) {
  Bytes error(8, 0);
  error[0] = type;
  error[1] = code;
  const Bytes request = buildEchoRequest(key, "abcdefgh", 8);
  const Bytes quoted = concat(ipHeader(address(10, 0, 0, 5), key.destination, 1, quotedOptions),
                              Bytes(request.begin(), request.begin() + 8));
  return concat(ipHeader(kRouter, address(10, 0, 0, 5), 250), concat(error, quoted));
}

TEST(IcmpPacket, EchoRequestCarriesKeyPayloadAndValidChecksum) {
  const Bytes packet = buildEchoRequest(kKey, "abc", 3);
  ASSERT_EQ(packet.size(), 11u);
  EXPECT_EQ(packet[0], 8);
  EXPECT_EQ(packet[1], 0);
  EXPECT_EQ((packet[4] << 8) | packet[5], 0x1234);
  EXPECT_EQ((packet[6] << 8) | packet[7], 0xBEEF);
  EXPECT_EQ(std::memcmp(&packet[8], "abc", 3), 0);
  EXPECT_EQ(checksum(packet.data(), packet.size()), 0) << "odd length must still sum to zero";
  EXPECT_TRUE(isOurRequest(packet.data(), packet.size(), kKey, true));
}

TEST(IcmpPacket, RawEchoReplyMatchesOnIdentifierSequenceAndSource) {
  const Bytes packet =
      concat(ipHeader(kKey.destination, address(127, 0, 0, 1), 64), echoReply(kKey, 32));
  const EchoOutcome outcome = parseRawPacket(packet.data(), packet.size(), kKey);
  ASSERT_TRUE(outcome.matched);
  EXPECT_EQ(outcome.status, kSuccess);
  EXPECT_EQ(outcome.replier, kKey.destination);
  EXPECT_EQ(outcome.dataSize, 32);
  EXPECT_EQ(outcome.ttl, 64);
}

TEST(IcmpPacket, RawEchoReplySkipsIpOptions) {
  const Bytes packet =
      concat(ipHeader(kKey.destination, kKey.destination, 55, 12), echoReply(kKey, 5));
  const EchoOutcome outcome = parseRawPacket(packet.data(), packet.size(), kKey);
  ASSERT_TRUE(outcome.matched);
  EXPECT_EQ(outcome.dataSize, 5);
  EXPECT_EQ(outcome.ttl, 55);
}

TEST(IcmpPacket, RawEchoRepliesOfOthersAreIgnored) {
  EchoKey otherId = kKey;
  otherId.identifier = 0x4321;
  EchoKey otherSequence = kKey;
  otherSequence.sequence = 0xBEF0;
  const Bytes header = ipHeader(kKey.destination, kKey.destination, 64);
  for (const EchoKey& other : {otherId, otherSequence}) {
    const Bytes packet = concat(header, echoReply(other, 8));
    EXPECT_FALSE(parseRawPacket(packet.data(), packet.size(), kKey).matched);
  }
  const Bytes wrongSource = concat(ipHeader(kRouter, kKey.destination, 64), echoReply(kKey, 8));
  EXPECT_FALSE(parseRawPacket(wrongSource.data(), wrongSource.size(), kKey).matched);
  Bytes corrupted = concat(header, echoReply(kKey, 8));
  corrupted.back() ^= 0xFF;
  EXPECT_FALSE(parseRawPacket(corrupted.data(), corrupted.size(), kKey).matched);
}

TEST(IcmpPacket, ErrorTypesAndCodesGiveTheirStatus) {
  struct Case {
    uint8_t type, code;
    uint32_t status;
  };
  const Case cases[] = {
      {3, 0, kNetUnreachable},        {3, 1, kHostUnreachable},    {3, 2, kProtocolUnreachable},
      {3, 3, kPortUnreachable},       {3, 4, kPacketTooBig},       {3, 5, kBadRoute},
      {3, 6, kNetUnreachable},        {3, 7, kHostUnreachable},    {3, 9, kNetUnreachable},
      {3, 10, kHostUnreachable},      {3, 11, kNetUnreachable},    {3, 13, kHostUnreachable},
      {3, 15, kHostUnreachable},      {3, 200, kHostUnreachable},  {11, 0, kTtlExpiredTransit},
      {11, 1, kTtlExpiredReassembly}, {11, 7, kTtlExpiredTransit}, {12, 0, kParameterProblem},
      {4, 0, kSourceQuench},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << int{c.type} << " code " << int{c.code});
    const Bytes packet = errorPacket(c.type, c.code, kKey);
    const EchoOutcome outcome = parseRawPacket(packet.data(), packet.size(), kKey);
    ASSERT_TRUE(outcome.matched);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.replier, kRouter);
    EXPECT_EQ(outcome.dataSize, 0);
    EXPECT_EQ(outcome.ttl, 250);
  }
}

TEST(IcmpPacket, NonErrorTypesAreNoAnswer) {
  uint32_t status = 0;
  for (uint8_t type : {5, 8, 13, 42}) EXPECT_FALSE(statusForError(type, 0, &status));
  const Bytes redirect = errorPacket(5, 1, kKey);
  EXPECT_FALSE(parseRawPacket(redirect.data(), redirect.size(), kKey).matched);
}

TEST(IcmpPacket, ErrorQuotingSomeoneElsesRequestIsIgnored) {
  EchoKey otherTarget = kKey;
  otherTarget.destination = address(127, 0, 0, 10);
  EchoKey otherSequence = kKey;
  otherSequence.sequence = 1;
  for (const EchoKey& other : {otherTarget, otherSequence}) {
    const Bytes packet = errorPacket(3, 1, other);
    EXPECT_FALSE(parseRawPacket(packet.data(), packet.size(), kKey).matched);
  }
  Bytes notEcho = errorPacket(3, 1, kKey);
  notEcho[20 + 8 + 20] = 0;  // the quoted ICMP type: an echo reply, not our request
  EXPECT_FALSE(parseRawPacket(notEcho.data(), notEcho.size(), kKey).matched);
  Bytes notIcmp = errorPacket(3, 1, kKey);
  notIcmp[20 + 8 + 9] = 17;  // the quoted protocol: UDP with the same first bytes
  EXPECT_FALSE(parseRawPacket(notIcmp.data(), notIcmp.size(), kKey).matched);
}

TEST(IcmpPacket, ErrorWithQuotedIpOptionsStillMatches) {
  const Bytes packet = errorPacket(11, 0, kKey, 8);
  EXPECT_TRUE(parseRawPacket(packet.data(), packet.size(), kKey).matched);
}

TEST(IcmpPacket, TruncatedPacketsAreIgnoredAtEveryLength) {
  const Bytes reply = concat(ipHeader(kKey.destination, kKey.destination, 64), echoReply(kKey, 0));
  const Bytes error = errorPacket(3, 3, kKey);
  for (const Bytes* whole : {&reply, &error}) {
    for (size_t length = 0; length < whole->size(); ++length) {
      // A copy of exactly `length` bytes, so a sanitizer sees any overread.
      const Bytes cut(whole->begin(), whole->begin() + length);
      EXPECT_FALSE(parseRawPacket(cut.data(), cut.size(), kKey).matched) << length;
    }
    EXPECT_TRUE(parseRawPacket(whole->data(), whole->size(), kKey).matched);
  }
}

TEST(IcmpPacket, MalformedIpHeadersAreIgnored) {
  const Bytes good = concat(ipHeader(kKey.destination, kKey.destination, 64), echoReply(kKey, 8));
  Bytes version6 = good;
  version6[0] = 0x65;
  Bytes shortIhl = good;
  shortIhl[0] = 0x44;
  Bytes longIhl = good;
  longIhl[0] = 0x4F;  // 60-byte header in a 36-byte packet
  Bytes udp = good;
  udp[9] = 17;
  for (const Bytes* bad : {&version6, &shortIhl, &longIhl, &udp}) {
    EXPECT_FALSE(parseRawPacket(bad->data(), bad->size(), kKey).matched);
  }
}

TEST(IcmpPacket, DatagramReplyMatchesOnIdentifierSequenceAndSource) {
  const Bytes reply = echoReply(kKey, 32);
  const EchoOutcome outcome =
      parseDatagramReply(reply.data(), reply.size(), kKey.destination, kKey);
  ASSERT_TRUE(outcome.matched);
  EXPECT_EQ(outcome.dataSize, 32);
  EXPECT_EQ(outcome.replier, kKey.destination);
  EchoKey later = kKey;
  later.sequence = 0xBEF0;
  EXPECT_FALSE(parseDatagramReply(reply.data(), reply.size(), kKey.destination, later).matched);
  EXPECT_FALSE(parseDatagramReply(reply.data(), 7, kKey.destination, kKey).matched);
  Bytes request = buildEchoRequest(kKey, "", 0);
  EXPECT_FALSE(parseDatagramReply(request.data(), request.size(), kKey.destination, kKey).matched);
}

// One echo reply, as both kinds of socket would hand it over.
struct Received {
  Bytes raw;
  Bytes datagram;
  uint32_t source;
};

Received received(uint32_t source, const Bytes& icmp) {
  return Received{concat(ipHeader(source, address(127, 0, 0, 1), 64), icmp), icmp, source};
}

bool rawMatches(const Received& r, const EchoKey& key) {
  return parseRawPacket(r.raw.data(), r.raw.size(), key).matched;
}

bool datagramMatches(const Received& r, const EchoKey& key) {
  return parseDatagramReply(r.datagram.data(), r.datagram.size(), r.source, key).matched;
}

TEST(IcmpPacket, BothSocketKindsGiveTheSameVerdictOnEveryReply) {
  EchoKey otherId = kKey;
  otherId.identifier = 0x4321;
  EchoKey otherSequence = kKey;
  otherSequence.sequence = 0xBEF0;
  Bytes badChecksum = echoReply(kKey, 8);
  badChecksum[9] ^= 0x01;
  Bytes truncatedHeader = echoReply(kKey, 0);
  truncatedHeader.resize(6);
  Bytes request = buildEchoRequest(kKey, "abcd", 4);
  struct Case {
    const char* what;
    Received packet;
    bool ours;
  };
  const Case cases[] = {
      {"our reply", received(kKey.destination, echoReply(kKey, 8)), true},
      {"spoofed from another address", received(kRouter, echoReply(kKey, 8)), false},
      {"another identifier", received(kKey.destination, echoReply(otherId, 8)), false},
      {"another sequence", received(kKey.destination, echoReply(otherSequence, 8)), false},
      {"bad checksum", received(kKey.destination, badChecksum), false},
      {"truncated header", received(kKey.destination, truncatedHeader), false},
      {"our own request", received(kKey.destination, request), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(rawMatches(c.packet, kKey), c.ours);
    EXPECT_EQ(datagramMatches(c.packet, kKey), c.ours);
  }
}

TEST(IcmpPacket, RepliesToAGroupAddressMayComeFromAnyHost) {
  EchoKey group = kKey;
  group.destination = address(224, 0, 0, 1);
  EchoKey broadcast = kKey;
  broadcast.destination = address(255, 255, 255, 255);
  for (const EchoKey& key : {group, broadcast}) {
    const Received reply = received(kRouter, echoReply(key, 8));
    EXPECT_TRUE(rawMatches(reply, key));
    EXPECT_TRUE(datagramMatches(reply, key));
  }
  EXPECT_TRUE(isUnicast(address(223, 255, 255, 255)));
  EXPECT_TRUE(isUnicast(address(240, 0, 0, 1)));
  EXPECT_FALSE(isUnicast(address(239, 1, 2, 3)));
}

TEST(IcmpPacket, DatagramErrorCountsOnlyWhenItQuotesOurRequestToOurTarget) {
  const Bytes request = buildEchoRequest(kKey, "abcdefgh", 8);
  const Bytes quoted(request.begin(), request.begin() + 8);
  EXPECT_TRUE(isErrorAboutOurRequest(quoted.data(), quoted.size(), kKey.destination, kKey));
  EXPECT_FALSE(isErrorAboutOurRequest(quoted.data(), quoted.size(), kRouter, kKey));
  EchoKey otherId = kKey;
  otherId.identifier = 0x0777;
  EXPECT_FALSE(isErrorAboutOurRequest(quoted.data(), quoted.size(), kKey.destination, otherId));
  EchoKey otherSequence = kKey;
  otherSequence.sequence = 2;
  EXPECT_FALSE(
      isErrorAboutOurRequest(quoted.data(), quoted.size(), kKey.destination, otherSequence));
  for (size_t length = 0; length < quoted.size(); ++length) {
    const Bytes cut(quoted.begin(), quoted.begin() + length);
    EXPECT_FALSE(isErrorAboutOurRequest(cut.data(), cut.size(), kKey.destination, kKey)) << length;
  }
}

TEST(IcmpPacket, QuotedRequestCheckHonoursIdentifierFlag) {
  EchoKey kernelId = kKey;
  kernelId.identifier = 0x0777;
  const Bytes request = buildEchoRequest(kernelId, "x", 1);
  EXPECT_TRUE(isOurRequest(request.data(), request.size(), kKey, false));
  EXPECT_FALSE(isOurRequest(request.data(), request.size(), kKey, true));
  EXPECT_FALSE(isOurRequest(request.data(), 7, kKey, false));
}

}  // namespace
}  // namespace velmora::platform::icmp
