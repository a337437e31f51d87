// The ICMP header relies on the types of the three before it.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

#include "platform/icmp_echo.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/sockaddr_convert.h"

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

// ICMPV6_ECHO_REPLY, as the system lays it out: a packed IPV6_ADDRESS_EX
// (port, flow info, address, scope id: 26 bytes), then the status and the
// round-trip time at 4-byte offsets. Read by offset, as not every set of
// headers declares it.
constexpr size_t kReply6AddressOffset = 6;
constexpr size_t kReply6ScopeOffset = 22;
constexpr size_t kReply6StatusOffset = 28;
constexpr size_t kReply6RoundTripOffset = 32;
constexpr size_t kReply6RecordSize = 36;

uint32_t read32(const unsigned char* p) {
  uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

class WindowsIcmp6Echo : public Icmp6Echo {
 public:
  explicit WindowsIcmp6Echo(HANDLE handle) : handle_(handle) {}
  ~WindowsIcmp6Echo() override { IcmpCloseHandle(handle_); }
  WindowsIcmp6Echo(const WindowsIcmp6Echo&) = delete;
  WindowsIcmp6Echo& operator=(const WindowsIcmp6Echo&) = delete;

  uint32_t send(const SocketAddress& destination, const void* data, uint16_t size,
                uint32_t replyBufferSize, uint32_t timeoutMs, Echo6Reply* reply) override {
    *reply = Echo6Reply{};
    reply->address.family = kFamilyIPv6;
    sockaddr_in6 source{};
    source.sin6_family = AF_INET6;
    source.sin6_addr = in6addr_any;
    sockaddr_in6 target{};
    if (destination.family != kFamilyIPv6 || detail::toSockaddr(destination, &target) == 0) {
      reply->status = ERROR_INVALID_PARAMETER;
      return 0;
    }
    std::vector<unsigned char> buffer(std::max<size_t>(replyBufferSize, kReply6RecordSize), 0);
    const DWORD count = Icmp6SendEcho2(handle_, nullptr, nullptr, nullptr, &source, &target,
                                       const_cast<void*>(data), size, nullptr, buffer.data(),
                                       replyBufferSize, timeoutMs);
    const DWORD lastError = count == 0 ? GetLastError() : 0;
    // The record is there when the system parses one out of the buffer;
    // a call that failed before anything was sent leaves only its reason.
    if (Icmp6ParseReplies(buffer.data(), replyBufferSize) == 0) {
      reply->status = lastError;
      return 0;
    }
    std::memcpy(reply->address.address, buffer.data() + kReply6AddressOffset, 16);
    reply->address.scopeId = read32(buffer.data() + kReply6ScopeOffset);
    reply->status = read32(buffer.data() + kReply6StatusOffset);
    reply->roundTripTime = read32(buffer.data() + kReply6RoundTripOffset);
    // The record gives no length: a reply echoes the whole request.
    if (count > 0 && reply->status == 0) reply->dataSize = size;
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

std::unique_ptr<Icmp6Echo> Icmp6Echo::open(uint32_t* error) {
  const HANDLE handle = Icmp6CreateFile();
  if (handle == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return nullptr;
  }
  *error = 0;
  return std::make_unique<WindowsIcmp6Echo>(handle);
}

void releaseEchoFamily(int) {}

}  // namespace velmora::platform
