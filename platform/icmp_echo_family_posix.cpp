#include "platform/icmp_echo_family_posix.h"

#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>

// The kernel's headers use the C library's socket types.
#include <linux/errqueue.h>
#include <linux/filter.h>
#include <linux/icmp.h>

#include <cstring>

#include "platform/icmp6_packet_posix.h"

namespace velmora::platform::icmp {

namespace {

// ICMP_ECHO_REPLY is 28 bytes with 32-bit pointers and 40 with 64-bit ones;
// ICMPV6_ECHO_REPLY is 36 bytes on both.
constexpr uint32_t kReplyRecordSize = sizeof(void*) == 8 ? 40 : 28;
constexpr uint32_t kReply6RecordSize = 36;

// The four ICMP error types that can answer an echo request, per family.
struct AnswerTypes {
  uint8_t reply;
  uint8_t errors[4];
};
constexpr AnswerTypes kIcmpAnswers{
    ICMP_ECHOREPLY,
    {ICMP_DEST_UNREACH, ICMP_SOURCE_QUENCH, ICMP_TIME_EXCEEDED, ICMP_PARAMETERPROB}};
constexpr AnswerTypes kIcmp6Answers{
    ICMP6_ECHO_REPLY,
    {ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG, ICMP6_TIME_EXCEEDED, ICMP6_PARAM_PROB}};

// Echo replies with another identifier are other processes' business: the
// kernel drops them before they take room in our queue, so a flood of them
// cannot push our reply out. Errors pass whatever they quote; the parser
// decides. An IPv4 raw packet starts with the IP header, an ICMPv6 one with
// the message.
bool installIdentifierFilter(int fd, bool skipIpHeader, const AnswerTypes& types,
                             uint16_t identifier) {
  const sock_filter start = skipIpHeader ? sock_filter BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0)
                                         : sock_filter BPF_STMT(BPF_LDX | BPF_IMM, 0);
  sock_filter code[] = {
      start,                                                   // 0: X = IP header length
      BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),                   // 1: A = ICMP type
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, types.reply, 0, 2),  // 2: reply? 3 : 5
      BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),                   // 3: A = identifier
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, identifier, 4, 5),   // 4: ours? 9 : 10
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, types.errors[0], 3, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, types.errors[1], 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, types.errors[2], 1, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, types.errors[3], 0, 1),
      BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),  // 9: keep the whole packet
      BPF_STMT(BPF_RET | BPF_K, 0),            // 10: drop it
  };
  sock_fprog program{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
  if (setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) != 0) return false;
  // Nothing else running in this process may widen it again.
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_LOCK_FILTER, &on, sizeof on);
  return true;
}

EchoKey keyOf(const EchoTarget& target) {
  EchoKey key;
  key.destination = ipv4Of(target.destination);
  key.identifier = target.identifier;
  key.sequence = target.sequence;
  return key;
}

icmp6::Echo6Key key6Of(const EchoTarget& target) {
  icmp6::Echo6Key key;
  std::memcpy(key.destination, target.destination.address, sizeof key.destination);
  key.identifier = target.identifier;
  key.sequence = target.sequence;
  return key;
}

class Ipv4Family : public EchoFamily {
 public:
  Ipv4Family() {
    domain = AF_INET;
    protocol = IPPROTO_ICMP;
    level = SOL_IP;
    receiveErrors = IP_RECVERR;
    receiveHopLimit = IP_RECVTTL;
    hopLimitMessage = IP_TTL;
    errorOrigin = SO_EE_ORIGIN_ICMP;
    rawHasIpHeader = true;
    recordSize = kReplyRecordSize;
  }

  bool installRawFilters(int fd, uint16_t identifier) const override {
    icmp_filter filter{};
    filter.data = ~0u;
    filter.data &= ~(1u << kIcmpAnswers.reply);
    for (uint8_t type : kIcmpAnswers.errors) filter.data &= ~(1u << type);
    return setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) == 0 &&
           installIdentifierFilter(fd, true, kIcmpAnswers, identifier);
  }
  std::vector<uint8_t> buildRequest(const EchoTarget& target, const void* data,
                                    uint16_t size) const override {
    return buildEchoRequest(keyOf(target), data, size);
  }
  EchoOutcome parse(const uint8_t* packet, size_t length, const SocketAddress& source, bool raw,
                    const EchoTarget& target) const override {
    if (raw) return parseRawPacket(packet, length, keyOf(target));
    return parseDatagramReply(packet, length, ipv4Of(source), keyOf(target));
  }
  bool isErrorAboutOurRequest(const uint8_t* quoted, size_t length,
                              const SocketAddress& quotedDestination,
                              const EchoTarget& target) const override {
    return icmp::isErrorAboutOurRequest(quoted, length, ipv4Of(quotedDestination), keyOf(target));
  }
  bool statusForError(uint8_t type, uint8_t code, uint32_t* status) const override {
    return icmp::statusForError(type, code, status);
  }
};

class Ipv6Family : public EchoFamily {
 public:
  Ipv6Family() {
    domain = AF_INET6;
    protocol = IPPROTO_ICMPV6;
    level = SOL_IPV6;
    receiveErrors = IPV6_RECVERR;
    receiveHopLimit = IPV6_RECVHOPLIMIT;
    hopLimitMessage = IPV6_HOPLIMIT;
    errorOrigin = SO_EE_ORIGIN_ICMP6;
    rawHasIpHeader = false;
    recordSize = kReply6RecordSize;
  }

  bool installRawFilters(int fd, uint16_t identifier) const override {
    icmp6_filter filter;
    ICMP6_FILTER_SETBLOCKALL(&filter);
    ICMP6_FILTER_SETPASS(kIcmp6Answers.reply, &filter);
    for (uint8_t type : kIcmp6Answers.errors) ICMP6_FILTER_SETPASS(type, &filter);
    return setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter) == 0 &&
           installIdentifierFilter(fd, false, kIcmp6Answers, identifier);
  }
  std::vector<uint8_t> buildRequest(const EchoTarget& target, const void* data,
                                    uint16_t size) const override {
    return icmp6::buildEchoRequest(key6Of(target), data, size);
  }
  EchoOutcome parse(const uint8_t* packet, size_t length, const SocketAddress& source, bool,
                    const EchoTarget& target) const override {
    return icmp6::parsePacket(packet, length, source.address, key6Of(target));
  }
  bool isErrorAboutOurRequest(const uint8_t* quoted, size_t length,
                              const SocketAddress& quotedDestination,
                              const EchoTarget& target) const override {
    return icmp6::isErrorAboutOurRequest(quoted, length, quotedDestination.address, key6Of(target));
  }
  bool statusForError(uint8_t type, uint8_t code, uint32_t* status) const override {
    return icmp6::statusForError(type, code, status);
  }
};

}  // namespace

const EchoFamily& echoFamily(int family) {
  static const Ipv4Family ipv4;
  static const Ipv6Family ipv6;
  if (family == kFamilyIPv6) return ipv6;
  return ipv4;
}

}  // namespace velmora::platform::icmp
