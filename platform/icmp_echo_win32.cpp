// The ICMP header relies on the types of the two before it.
// clang-format off
#include <winsock2.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

#include "platform/icmp_echo.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmora::platform {

namespace {

class WindowsIcmpEcho : public IcmpEcho {
 public:
  explicit WindowsIcmpEcho(HANDLE handle) : handle_(handle) {}
  ~WindowsIcmpEcho() override { IcmpCloseHandle(handle_); }
  WindowsIcmpEcho(const WindowsIcmpEcho&) = delete;
  WindowsIcmpEcho& operator=(const WindowsIcmpEcho&) = delete;

  uint32_t send(uint32_t destination, const void* data, uint16_t size, uint32_t replyBufferSize,
                uint32_t timeoutMs, EchoReply* reply) override {
    // The record is read even when the caller's buffer is smaller than
    // one, so the allocation always holds it; the system gets the real size.
    std::vector<unsigned char> buffer(std::max<size_t>(replyBufferSize, sizeof(ICMP_ECHO_REPLY)),
                                      0);
    const DWORD count = IcmpSendEcho(handle_, destination, const_cast<void*>(data), size, nullptr,
                                     buffer.data(), replyBufferSize, timeoutMs);
    const DWORD lastError = count == 0 ? GetLastError() : 0;
    ICMP_ECHO_REPLY record;
    std::memcpy(&record, buffer.data(), sizeof record);
    *reply = EchoReply{};
    reply->address = record.Address;
    reply->status = record.Status;
    reply->roundTripTime = record.RoundTripTime;
    reply->dataSize = record.DataSize;
    reply->ttl = record.Options.Ttl;
    // A call that failed before anything was sent leaves the record zeroed;
    // its reason is only in the last error.
    if (count == 0 && reply->status == 0) reply->status = lastError;
    return count;
  }

 private:
  HANDLE handle_;
};

}  // namespace

// Every IcmpCreateFile handle is available to any user: nothing to hold.
void IcmpEcho::hold() {}

void IcmpEcho::release() {}

std::unique_ptr<IcmpEcho> IcmpEcho::open(uint32_t* error) {
  const HANDLE handle = IcmpCreateFile();
  if (handle == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return nullptr;
  }
  *error = 0;
  return std::make_unique<WindowsIcmpEcho>(handle);
}

}  // namespace velmora::platform
