#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

// The kernel's headers use the C library's socket and time types.
#include <linux/errqueue.h>
#include <linux/icmp.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "platform/icmp_echo.h"
#include "platform/icmp_packet.h"
#include "platform/system_error_posix.h"

namespace velmora::platform {

namespace {

using Clock = std::chrono::steady_clock;

// ICMP_ECHO_REPLY is 28 bytes with 32-bit pointers and 40 with 64-bit ones.
constexpr uint32_t kReplyRecordSize = sizeof(void*) == 8 ? 40 : 28;
constexpr size_t kReceiveBufferSize = 65536;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

struct WireIds {
  uint16_t identifier;
  std::atomic<uint16_t> sequence;
};

// One identifier per process, and a sequence number that no two requests of
// this process share, so that concurrent handles never take each other's
// replies; the random start keeps other processes' raw sockets apart.
WireIds& wireIds() {
  static WireIds ids = [] {
    std::random_device seed;
    const uint32_t value = seed();
    return WireIds{static_cast<uint16_t>(value), static_cast<uint16_t>(value >> 16)};
  }();
  return ids;
}

bool setIntOption(int fd, int level, int name, int value) {
  return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

// The echo types a raw socket should hand us; every other ICMP type is
// dropped in the kernel.
bool installRawFilter(int fd) {
  icmp_filter filter{};
  filter.data = ~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH) |
                  (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB));
  return setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) == 0;
}

bool fallsBackToRaw(int error) {
  return error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == EAFNOSUPPORT;
}

uint32_t statusForSendErrno(int error) {
  return error == EHOSTUNREACH ? icmp::kHostUnreachable : icmp::kGeneralFailure;
}

uint32_t elapsedMs(Clock::time_point start) {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  return static_cast<uint32_t>(elapsed.count());
}

void fillReply(const icmp::EchoOutcome& outcome, uint32_t roundTrip, EchoReply* reply) {
  *reply = EchoReply{};
  reply->address = outcome.replier;
  reply->status = outcome.status;
  reply->roundTripTime = roundTrip;
  reply->dataSize = outcome.dataSize;
  reply->ttl = outcome.ttl;
}

uint32_t failWithStatus(uint32_t status, EchoReply* reply) {
  *reply = EchoReply{};
  reply->status = status;
  return 0;
}

class PosixIcmpEcho : public IcmpEcho {
 public:
  PosixIcmpEcho(int fd, bool raw) : socket_(fd), raw_(raw), buffer_(kReceiveBufferSize) {}

  uint32_t send(uint32_t destination, const void* data, uint16_t size, uint32_t replyBufferSize,
                uint32_t timeoutMs, EchoReply* reply) override;

 private:
  bool sendRequest(const icmp::EchoKey& key, const void* data, uint16_t size, int* error);
  uint32_t waitForAnswer(const icmp::EchoKey& key, Clock::time_point deadline,
                         icmp::EchoOutcome* outcome);
  icmp::EchoOutcome readPacket(const icmp::EchoKey& key);
  icmp::EchoOutcome readError(const icmp::EchoKey& key);

  FileDescriptor socket_;
  bool raw_;
  std::vector<uint8_t> buffer_;
};

uint32_t PosixIcmpEcho::send(uint32_t destination, const void* data, uint16_t size,
                             uint32_t replyBufferSize, uint32_t timeoutMs, EchoReply* reply) {
  if (replyBufferSize < kReplyRecordSize + size + icmp::kIcmpHeaderSize) {
    return failWithStatus(icmp::kBufferTooSmall, reply);
  }
  icmp::EchoKey key;
  key.destination = destination;
  key.identifier = wireIds().identifier;
  key.sequence = wireIds().sequence.fetch_add(1);
  const Clock::time_point start = Clock::now();
  int error = 0;
  if (!sendRequest(key, data, size, &error))
    return failWithStatus(statusForSendErrno(error), reply);
  icmp::EchoOutcome outcome;
  const uint32_t failure =
      waitForAnswer(key, start + std::chrono::milliseconds(timeoutMs), &outcome);
  if (failure != icmp::kSuccess) return failWithStatus(failure, reply);
  fillReply(outcome, elapsedMs(start), reply);
  return 1;
}

bool PosixIcmpEcho::sendRequest(const icmp::EchoKey& key, const void* data, uint16_t size,
                                int* error) {
  const std::vector<uint8_t> packet = icmp::buildEchoRequest(key, data, size);
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_addr.s_addr = key.destination;
  ssize_t sent;
  do {
    sent = sendto(socket_.get(), packet.data(), packet.size(), 0,
                  reinterpret_cast<const sockaddr*>(&target), sizeof target);
  } while (sent < 0 && errno == EINTR);
  *error = sent < 0 ? errno : 0;
  return sent == static_cast<ssize_t>(packet.size());
}

// Waits out the whole time-out: a signal (Control-C) only restarts the
// wait, so the probe under way still ends with its real outcome. Returns
// the failure status, or success with the answer in `outcome`.
uint32_t PosixIcmpEcho::waitForAnswer(const icmp::EchoKey& key, Clock::time_point deadline,
                                      icmp::EchoOutcome* outcome) {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return icmp::kTimedOut;
    pollfd entry{socket_.get(), POLLIN, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return icmp::kGeneralFailure;
    if (ready <= 0) continue;
    if ((entry.revents & POLLERR) != 0) *outcome = readError(key);
    if (!outcome->matched && (entry.revents & POLLIN) != 0) *outcome = readPacket(key);
    if (outcome->matched) return icmp::kSuccess;
  }
}

icmp::EchoOutcome PosixIcmpEcho::readPacket(const icmp::EchoKey& key) {
  sockaddr_in from{};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int)) * 4] = {};
  iovec data{buffer_.data(), buffer_.size()};
  msghdr message{};
  message.msg_name = &from;
  message.msg_namelen = sizeof from;
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  const ssize_t length = recvmsg(socket_.get(), &message, MSG_DONTWAIT);
  if (length <= 0 || (message.msg_flags & MSG_TRUNC) != 0) return icmp::EchoOutcome{};
  if (raw_) return icmp::parseRawPacket(buffer_.data(), static_cast<size_t>(length), key);
  icmp::EchoOutcome outcome =
      icmp::parseDatagramReply(buffer_.data(), static_cast<size_t>(length), key);
  outcome.replier = from.sin_addr.s_addr;
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level == SOL_IP && c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
      int ttl = 0;
      std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
      outcome.ttl = static_cast<uint8_t>(ttl);
    }
  }
  return outcome;
}

const cmsghdr* findExtendedError(msghdr* message) {
  for (cmsghdr* c = CMSG_FIRSTHDR(message); c != nullptr; c = CMSG_NXTHDR(message, c)) {
    if (c->cmsg_level == SOL_IP && c->cmsg_type == IP_RECVERR &&
        c->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err))) {
      return c;
    }
  }
  return nullptr;
}

// The router that reported the error; 0 for errors raised on this host.
uint32_t offenderAddress(const cmsghdr* holder) {
  const auto* error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(holder));
  if (holder->cmsg_len < CMSG_LEN(sizeof(sock_extended_err) + sizeof(sockaddr_in))) return 0;
  sockaddr_in offender{};
  std::memcpy(&offender, SO_EE_OFFENDER(error), sizeof offender);
  return offender.sin_family == AF_INET ? offender.sin_addr.s_addr : 0;
}

icmp::EchoOutcome outcomeOfError(const cmsghdr* holder) {
  sock_extended_err error{};
  std::memcpy(&error, CMSG_DATA(holder), sizeof error);
  icmp::EchoOutcome outcome;
  if (error.ee_origin == SO_EE_ORIGIN_ICMP) {
    if (!icmp::statusForError(error.ee_type, error.ee_code, &outcome.status)) return outcome;
  } else {
    outcome.status = statusForSendErrno(static_cast<int>(error.ee_errno));
  }
  outcome.matched = true;
  outcome.replier = offenderAddress(holder);
  return outcome;
}

icmp::EchoOutcome PosixIcmpEcho::readError(const icmp::EchoKey& key) {
  alignas(cmsghdr) char control[512] = {};
  iovec data{buffer_.data(), buffer_.size()};
  msghdr message{};
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  const ssize_t length = recvmsg(socket_.get(), &message, MSG_ERRQUEUE | MSG_DONTWAIT);
  if (length < 0) {
    // A pending socket error without a queued report would keep poll
    // waking us; reading it clears it.
    int pending = 0;
    socklen_t size = sizeof pending;
    getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &pending, &size);
    return icmp::EchoOutcome{};
  }
  // A raw socket also receives every ICMP error as a packet, with the
  // whole quoted request to match on; its queue is only emptied here.
  const cmsghdr* holder = findExtendedError(&message);
  if (raw_ || holder == nullptr) return icmp::EchoOutcome{};
  if (!icmp::isOurRequest(buffer_.data(), static_cast<size_t>(length), key, false)) {
    return icmp::EchoOutcome{};
  }
  return outcomeOfError(holder);
}

int openSocket(bool* raw, int* error) {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  *raw = false;
  if (fd < 0 && fallsBackToRaw(errno)) {
    fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    *raw = true;
  }
  *error = fd < 0 ? errno : 0;
  return fd;
}

}  // namespace

std::unique_ptr<IcmpEcho> IcmpEcho::open(uint32_t* error) {
  bool raw = false;
  int openError = 0;
  const int fd = openSocket(&raw, &openError);
  if (fd < 0) {
    const bool denied = openError == EPERM || openError == EACCES;
    *error = denied ? kIcmpPermissionError : windowsErrorFromErrno(openError);
    return nullptr;
  }
  auto echo = std::make_unique<PosixIcmpEcho>(fd, raw);
  // Without IP_RECVERR a datagram socket never learns of ICMP errors.
  bool configured = setIntOption(fd, SOL_IP, IP_RECVERR, 1);
  configured = configured && (raw ? installRawFilter(fd) : setIntOption(fd, SOL_IP, IP_RECVTTL, 1));
  if (!configured) {
    *error = windowsErrorFromErrno(errno);
    return nullptr;
  }
  *error = 0;
  return echo;
}

}  // namespace velmora::platform
