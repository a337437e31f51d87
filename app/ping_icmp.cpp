#include <memory>

#include "app/pinger.h"
#include "platform/error_codes.h"
#include "platform/host_address.h"
#include "platform/icmp_echo.h"
#include "platform/inet.h"
#include "support/text_utils.h"

namespace {

constexpr uint32_t kEchoTimeoutMs = 1500;
constexpr uint32_t kInvalidAddress = 0xFFFFFFFF;
// Room for one reply record and the 8 bytes of an ICMP header besides the
// payload the reply carries back.
constexpr uint32_t kReplyBufferSlack = 128;
constexpr char kInvalidAddressText[] =
    "Invalid IP address specified, or remote host resolves to an invalid address";

uint32_t replyBufferSize(const std::string& payload) {
  return static_cast<uint32_t>(payload.size()) + kReplyBufferSlack;
}

struct StatusEntry {
  uint32_t code;
  const char* text;
};

#define TAVRO_STATUS_ENTRY(name, number, text) {velmora::platform::icmp::name, text},
constexpr StatusEntry kStatusTexts[] = {TAVRO_IP_STATUS_CODES(TAVRO_STATUS_ENTRY)};
#undef TAVRO_STATUS_ENTRY

// The text of a handle that cannot be opened, the same for both families.
std::string openFailureText(uint32_t error) {
  return "Unable to open ICMP handle due to error " + velmora::formatWindowsError(error);
}

}  // namespace

std::string Pinger::statusText(uint32_t code) {
  for (const StatusEntry& entry : kStatusTexts) {
    if (entry.code == code) return std::string(entry.text) + ".";
  }
  return "A unknown networking/ICMP error occurred.";
}

bool Pinger::payloadFits() {
  // The request length field holds 16 bits; the driver refuses larger sizes
  // before probing, and nothing larger may reach the echo call.
  if (payload.size() <= static_cast<size_t>(kMaxPacketSize)) return true;
  errorText = "Packet size must be between 0 and 65500 bytes.";
  return false;
}

bool Pinger::pingIcmp() {
  if (resolvedToIPv6()) return pingIcmp6();
  const uint32_t destination = velmora::platform::inetAddr(address_.c_str());
  if (destination == kInvalidAddress) {
    errorText = kInvalidAddressText;
    return false;
  }
  if (!payloadFits()) return false;
  uint32_t error = 0;
  std::unique_ptr<velmora::platform::IcmpEcho> echo = velmora::platform::IcmpEcho::open(&error);
  if (!echo) {
    errorText = openFailureText(error);
    return false;
  }
  velmora::platform::EchoReply reply;
  const uint32_t replies =
      echo->send(destination, payload.data(), static_cast<uint16_t>(payload.size()),
                 replyBufferSize(payload), kEchoTimeoutMs, &reply);
  recordEchoReply(reply, replies);
  return true;
}

bool Pinger::pingIcmp6() {
  velmora::platform::SocketAddress destination;
  if (!velmora::platform::numericIPv6Address(address_, &destination)) {
    errorText = kInvalidAddressText;
    return false;
  }
  if (!payloadFits()) return false;
  uint32_t error = 0;
  std::unique_ptr<velmora::platform::Icmp6Echo> echo = velmora::platform::Icmp6Echo::open(&error);
  if (!echo) {
    errorText = openFailureText(error);
    return false;
  }
  velmora::platform::Echo6Reply reply;
  const uint32_t replies =
      echo->send(destination, payload.data(), static_cast<uint16_t>(payload.size()),
                 replyBufferSize(payload), kEchoTimeoutMs, &reply);
  recordEcho6Reply(reply, replies);
  return true;
}

void Pinger::recordEchoReply(const velmora::platform::EchoReply& reply, uint32_t replyCount) {
  recordReply(reply.status, reply.roundTripTime, reply.dataSize,
              velmora::platform::inetNtoa(reply.address), " ttl=" + std::to_string(reply.ttl),
              replyCount);
}

void Pinger::recordEcho6Reply(const velmora::platform::Echo6Reply& reply, uint32_t replyCount) {
  recordReply(reply.status, reply.roundTripTime, reply.dataSize,
              velmora::platform::numericIPv6Text(reply.address), std::string(), replyCount);
}

void Pinger::recordReply(uint32_t replyStatus, uint32_t roundTripTime, uint16_t dataSize,
                         const std::string& replier, const std::string& ttlField,
                         uint32_t replyCount) {
  replyText.clear();
  // A call that failed before anything was sent leaves a zero-filled record;
  // its status 0 must not pass for a successful reply.
  status = (replyCount == 0 && replyStatus == 0) ? kGeneralFailure : replyStatus;
  results.push_back(PingResult{status == 0, roundTripTime});
  if (replyCount == 0) {
    replyText = statusText(status);
    if (errorText.empty()) errorText = replyText;
    return;
  }
  replyText = "Reply from " + replier + ": ";
  if (status != 0) {
    replyText += statusText(status);
    return;
  }
  replyText += "bytes=" + std::to_string(dataSize) + " time=" + std::to_string(roundTripTime) +
               "ms" + ttlField + " seq=" + std::to_string(sequence);
}
