#include <memory>

#include "app/pinger.h"
#include "platform/error_codes.h"
#include "platform/icmp_echo.h"
#include "platform/inet.h"
#include "support/text_utils.h"

namespace {

constexpr uint32_t kEchoTimeoutMs = 1500;
constexpr uint32_t kInvalidAddress = 0xFFFFFFFF;
// Room for one reply record and the 8 bytes of an ICMP header besides the
// payload the reply carries back.
constexpr uint32_t kReplyBufferSlack = 128;

struct StatusEntry {
  uint32_t code;
  const char* text;
};

#define TAVRO_STATUS_ENTRY(name, number, text) {velmora::platform::icmp::name, text},
constexpr StatusEntry kStatusTexts[] = {TAVRO_IP_STATUS_CODES(TAVRO_STATUS_ENTRY)};
#undef TAVRO_STATUS_ENTRY

}  // namespace

std::string Pinger::statusText(uint32_t code) {
  for (const StatusEntry& entry : kStatusTexts) {
    if (entry.code == code) return std::string(entry.text) + ".";
  }
  return "A unknown networking/ICMP error occurred.";
}

bool Pinger::pingIcmp() {
  const uint32_t destination = velmora::platform::inetAddr(address_.c_str());
  if (destination == kInvalidAddress) {
    errorText = "Invalid IP address specified, or remote host resolves to an invalid address";
    return false;
  }
  // The request length field holds 16 bits; the driver refuses larger sizes
  // before probing, and nothing larger may reach the echo call.
  if (payload.size() > static_cast<size_t>(kMaxPacketSize)) {
    errorText = "Packet size must be between 0 and 65500 bytes.";
    return false;
  }
  uint32_t error = 0;
  std::unique_ptr<velmora::platform::IcmpEcho> echo = velmora::platform::IcmpEcho::open(&error);
  if (!echo) {
    errorText = "Unable to open ICMP handle due to error " + velmora::formatWindowsError(error);
    return false;
  }
  velmora::platform::EchoReply reply;
  const uint32_t bufferSize = static_cast<uint32_t>(payload.size()) + kReplyBufferSlack;
  const uint32_t replies =
      echo->send(destination, payload.data(), static_cast<uint16_t>(payload.size()), bufferSize,
                 kEchoTimeoutMs, &reply);
  recordEchoReply(reply, replies);
  return true;
}

void Pinger::recordEchoReply(const velmora::platform::EchoReply& reply, uint32_t replyCount) {
  replyText.clear();
  // A call that failed before anything was sent leaves a zero-filled record;
  // its status 0 must not pass for a successful reply.
  status = (replyCount == 0 && reply.status == 0) ? kGeneralFailure : reply.status;
  results.push_back(PingResult{status == 0, reply.roundTripTime});
  if (replyCount == 0) {
    replyText = statusText(status);
    if (errorText.empty()) errorText = replyText;
    return;
  }
  replyText = "Reply from " + velmora::platform::inetNtoa(reply.address) + ": ";
  if (status != 0) {
    replyText += statusText(status);
    return;
  }
  replyText += "bytes=" + std::to_string(reply.dataSize) +
               " time=" + std::to_string(reply.roundTripTime) +
               "ms ttl=" + std::to_string(reply.ttl) + " seq=" + std::to_string(sequence);
}
