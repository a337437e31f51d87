#include "platform/icmp6_packet_posix.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace velmora::platform::icmp6 {
namespace {

using Bytes = std::vector<uint8_t>;
using icmp::EchoOutcome;

struct Address {
  uint8_t bytes[16];
};

// fd00::<last>, a unique local address.
Address ula(uint8_t last) {
  Address a{};
  a.bytes[0] = 0xFD;
  a.bytes[15] = last;
  return a;
}

Echo6Key keyFor(const Address& destination, uint16_t identifier, uint16_t sequence) {
  Echo6Key key;
  std::memcpy(key.destination, destination.bytes, 16);
  key.identifier = identifier;
  key.sequence = sequence;
  return key;
}

const Address kTarget = ula(9);
const Address kRouter = ula(1);
const Echo6Key kKey = keyFor(kTarget, 0x1234, 0xBEEF);

Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes echoReply(const Echo6Key& key, size_t payload) {
  Bytes packet = buildEchoRequest(key, Bytes(payload, 'a').data(), static_cast<uint16_t>(payload));
  packet[0] = 129;
  return packet;
}

// The IPv6 header of our request as an error quotes it.
Bytes ipv6Header(const Address& destination, uint8_t nextHeader, size_t payload) {
  Bytes header(40, 0);
  header[0] = 0x60;
  header[4] = static_cast<uint8_t>(payload >> 8);
  header[5] = static_cast<uint8_t>(payload);
  header[6] = nextHeader;
  header[7] = 64;
  header[8] = 0xFD;
  header[23] = 5;
  std::memcpy(&header[24], destination.bytes, 16);
  return header;
}

// A router's ICMPv6 error about the request of `key`: header, then as much
// of the invoking packet as fits (here all of it).
Bytes errorMessage(uint8_t type, uint8_t code, const Echo6Key& key, uint8_t nextHeader = 58) {
  Bytes error(8, 0);
  error[0] = type;
  error[1] = code;
  Address destination;
  std::memcpy(destination.bytes, key.destination, 16);
  const Bytes request = buildEchoRequest(key, "abcdefgh", 8);
  return concat(error, concat(ipv6Header(destination, nextHeader, request.size()), request));
}

EchoOutcome parse(const Bytes& packet, const Address& source, const Echo6Key& key = kKey) {
  return parsePacket(packet.data(), packet.size(), source.bytes, key);
}

TEST(Icmp6Packet, EchoRequestCarriesKeyAndPayloadAndLeavesTheChecksumToTheKernel) {
  const Bytes packet = buildEchoRequest(kKey, "abc", 3);
  ASSERT_EQ(packet.size(), 11u);
  EXPECT_EQ(packet[0], 128);
  EXPECT_EQ(packet[1], 0);
  EXPECT_EQ(packet[2] | packet[3], 0);
  EXPECT_EQ((packet[4] << 8) | packet[5], 0x1234);
  EXPECT_EQ((packet[6] << 8) | packet[7], 0xBEEF);
  EXPECT_EQ(std::memcmp(&packet[8], "abc", 3), 0);
}

TEST(Icmp6Packet, ReplyCountsOnlyWithOurIdentifierSequenceAndTarget) {
  const EchoOutcome ours = parse(echoReply(kKey, 32), kTarget);
  ASSERT_TRUE(ours.matched);
  EXPECT_EQ(ours.status, icmp::kSuccess);
  EXPECT_EQ(ours.dataSize, 32);
  struct Case {
    const char* what;
    Bytes packet;
    Address source;
  };
  Bytes otherCode = echoReply(kKey, 8);
  otherCode[1] = 1;
  const Case others[] = {
      {"spoofed from another address", echoReply(kKey, 8), kRouter},
      {"another identifier", echoReply(keyFor(kTarget, 0x4321, 0xBEEF), 8), kTarget},
      {"another sequence", echoReply(keyFor(kTarget, 0x1234, 0xBEF0), 8), kTarget},
      {"a code that is not 0", otherCode, kTarget},
      {"our own request", buildEchoRequest(kKey, "abcd", 4), kTarget},
      {"an IPv4 echo reply", concat(Bytes{0, 0, 0, 0, 0x12, 0x34, 0xBE, 0xEF}, Bytes(4)), kTarget},
  };
  for (const Case& c : others) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(parse(c.packet, c.source).matched);
  }
}

TEST(Icmp6Packet, RepliesToAGroupAddressMayComeFromAnyHost) {
  Address group{};
  group.bytes[0] = 0xFF;
  group.bytes[1] = 0x02;
  group.bytes[15] = 1;
  const Echo6Key key = keyFor(group, 0x1234, 7);
  EXPECT_TRUE(parse(echoReply(key, 8), kRouter, key).matched);
  EXPECT_FALSE(isUnicast(group.bytes));
  EXPECT_TRUE(isUnicast(kTarget.bytes));
}

TEST(Icmp6Packet, ErrorTypesAndCodesGiveTheirStatus) {
  struct Case {
    uint8_t type, code;
    uint32_t status;
  };
  const Case cases[] = {
      {1, 0, 11002}, {1, 1, 11004}, {1, 2, 11045}, {1, 3, 11003},  {1, 4, 11005},
      {1, 5, 11004}, {1, 6, 11004}, {1, 7, 11040}, {1, 99, 11040}, {2, 0, 11009},
      {3, 0, 11013}, {3, 1, 11014}, {4, 0, 11015}, {4, 1, 11015},  {4, 2, 11015},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << int{c.type} << " code " << int{c.code});
    const EchoOutcome outcome = parse(errorMessage(c.type, c.code, kKey), kRouter);
    ASSERT_TRUE(outcome.matched);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.dataSize, 0);
  }
  uint32_t status = 0;
  for (uint8_t type : {0, 5, 127, 128, 129, 133, 137})
    EXPECT_FALSE(statusForError(type, 0, &status));
  EXPECT_FALSE(parse(errorMessage(137, 0, kKey), kRouter).matched) << "a redirect is no answer";
}

TEST(Icmp6Packet, ErrorQuotingSomeoneElsesRequestIsIgnored) {
  struct Case {
    const char* what;
    Bytes packet;
  };
  Bytes quotedReply = errorMessage(1, 3, kKey);
  quotedReply[8 + 40] = 129;
  Bytes version4 = errorMessage(1, 3, kKey);
  version4[8] = 0x45;
  const Case others[] = {
      {"another destination", errorMessage(1, 3, keyFor(ula(10), 0x1234, 0xBEEF))},
      {"another sequence", errorMessage(1, 3, keyFor(kTarget, 0x1234, 1))},
      {"another identifier", errorMessage(1, 3, keyFor(kTarget, 0x0777, 0xBEEF))},
      {"UDP behind the quoted header", errorMessage(1, 3, kKey, 17)},
      {"an extension header first", errorMessage(1, 3, kKey, 0)},
      {"a quoted reply", quotedReply},
      {"a quoted IPv4 header", version4},
  };
  for (const Case& c : others) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(parse(c.packet, kRouter).matched);
  }
}

TEST(Icmp6Packet, TruncatedMessagesAreIgnoredAtEveryLength) {
  const Bytes reply = echoReply(kKey, 0);
  // An error needs its header, the quoted IPv6 header and 8 quoted bytes.
  const Bytes whole = errorMessage(3, 0, kKey);
  const Bytes error(whole.begin(), whole.begin() + 8 + 40 + 8);
  for (const Bytes* message : {&reply, &error}) {
    for (size_t length = 0; length < message->size(); ++length) {
      // A copy of exactly `length` bytes, so a sanitizer sees any overread.
      const Bytes cut(message->begin(), message->begin() + length);
      EXPECT_FALSE(parsePacket(cut.data(), cut.size(), kTarget.bytes, kKey).matched) << length;
    }
    EXPECT_TRUE(parse(*message, kTarget).matched);
  }
}

TEST(Icmp6Packet, QueuedErrorCountsOnlyWhenItQuotesOurRequestToOurTarget) {
  const Bytes request = buildEchoRequest(kKey, "abcdefgh", 8);
  const Bytes quoted(request.begin(), request.begin() + 8);
  EXPECT_TRUE(isErrorAboutOurRequest(quoted.data(), quoted.size(), kTarget.bytes, kKey));
  EXPECT_FALSE(isErrorAboutOurRequest(quoted.data(), quoted.size(), kRouter.bytes, kKey));
  const Echo6Key otherSequence = keyFor(kTarget, 0x1234, 2);
  EXPECT_FALSE(isErrorAboutOurRequest(quoted.data(), quoted.size(), kTarget.bytes, otherSequence));
  for (size_t length = 0; length < quoted.size(); ++length) {
    const Bytes cut(quoted.begin(), quoted.begin() + length);
    EXPECT_FALSE(isErrorAboutOurRequest(cut.data(), cut.size(), kTarget.bytes, kKey)) << length;
  }
}

}  // namespace
}  // namespace velmora::platform::icmp6
