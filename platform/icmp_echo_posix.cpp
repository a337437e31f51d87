#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

// The kernel's headers use the C library's socket and time types.
#include <linux/errqueue.h>
#include <linux/filter.h>
#include <linux/icmp.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "platform/icmp_echo.h"
#include "platform/icmp_packet_posix.h"
#include "platform/system_error_posix.h"

namespace velmora::platform {

namespace {

using Clock = std::chrono::steady_clock;

// ICMP_ECHO_REPLY is 28 bytes with 32-bit pointers and 40 with 64-bit ones.
constexpr uint32_t kReplyRecordSize = sizeof(void*) == 8 ? 40 : 28;
constexpr size_t kReceiveBufferSize = 65536;
// Room in the kernel's queue for a burst of answers (a router's errors, a
// flood of replies) while one probe waits.
constexpr int kSocketReceiveBuffer = 256 * 1024;

// One ICMP socket with what the requests sent through it carry: the raw
// socket's identifier is ours, a datagram socket's is its port, which the
// kernel writes into every request.
struct IcmpSocket {
  int fd = -1;
  bool raw = false;
  uint16_t identifier = 0;
};

void closeSocket(IcmpSocket* socket) {
  if (socket->fd >= 0) close(socket->fd);
  socket->fd = -1;
}

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
bool installTypeFilter(int fd) {
  icmp_filter filter{};
  filter.data = ~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH) |
                  (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB));
  return setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) == 0;
}

// Echo replies with another identifier are other processes' business: the
// kernel drops them before they take room in our queue, so a flood of them
// cannot push our reply out. Errors pass whatever they quote; the parser
// decides. The packet starts with the IP header.
bool installIdentifierFilter(int fd, uint16_t identifier) {
  sock_filter code[] = {
      BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),                     // 0: X = IP header length
      BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),                      // 1: A = ICMP type
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_ECHOREPLY, 0, 2),  // 2: reply? 3 : 5
      BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),                      // 3: A = identifier
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, identifier, 4, 5),      // 4: ours? 9 : 10
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_DEST_UNREACH, 3, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_SOURCE_QUENCH, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_TIME_EXCEEDED, 1, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_PARAMETERPROB, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),  // 9: keep the whole packet
      BPF_STMT(BPF_RET | BPF_K, 0),            // 10: drop it
  };
  sock_fprog program{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
  if (setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) != 0) return false;
  // Nothing else running in this process may widen it again.
  setIntOption(fd, SOL_SOCKET, SO_LOCK_FILTER, 1);
  return true;
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
  // An owned socket is closed with the handle; the held one stays open.
  PosixIcmpEcho(const IcmpSocket& socket, bool owned)
      : socket_(socket), owned_(owned), buffer_(new uint8_t[kReceiveBufferSize]) {}
  ~PosixIcmpEcho() override {
    if (owned_) closeSocket(&socket_);
  }
  PosixIcmpEcho(const PosixIcmpEcho&) = delete;
  PosixIcmpEcho& operator=(const PosixIcmpEcho&) = delete;

  uint32_t send(uint32_t destination, const void* data, uint16_t size, uint32_t replyBufferSize,
                uint32_t timeoutMs, EchoReply* reply) override;

 private:
  bool sendRequest(const icmp::EchoKey& key, const void* data, uint16_t size, int* error);
  uint32_t waitForAnswer(const icmp::EchoKey& key, Clock::time_point deadline,
                         icmp::EchoOutcome* outcome);
  bool readPacket(const icmp::EchoKey& key, icmp::EchoOutcome* outcome);
  icmp::EchoOutcome readError(const icmp::EchoKey& key);

  IcmpSocket socket_;
  bool owned_;
  // Left uninitialised: a receive writes what it reads, and untouched pages
  // of the buffer then cost no memory.
  std::unique_ptr<uint8_t[]> buffer_;
};

uint32_t PosixIcmpEcho::send(uint32_t destination, const void* data, uint16_t size,
                             uint32_t replyBufferSize, uint32_t timeoutMs, EchoReply* reply) {
  if (replyBufferSize < kReplyRecordSize + size + icmp::kIcmpHeaderSize) {
    return failWithStatus(icmp::kBufferTooSmall, reply);
  }
  icmp::EchoKey key;
  key.destination = destination;
  key.identifier = socket_.identifier;
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
    sent = sendto(socket_.fd, packet.data(), packet.size(), 0,
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
  // A host's own addresses answer before the send returns: what is queued
  // already is read first, and the wait comes only when nothing matched.
  while (readPacket(key, outcome)) {
    if (outcome->matched) return icmp::kSuccess;
  }
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return icmp::kTimedOut;
    pollfd entry{socket_.fd, POLLIN, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return icmp::kGeneralFailure;
    if (ready <= 0) continue;
    if ((entry.revents & POLLERR) != 0) *outcome = readError(key);
    if (outcome->matched) return icmp::kSuccess;
    // Everything queued is read before waiting again: one wake-up for a
    // burst of other packets.
    if ((entry.revents & POLLIN) == 0) continue;
    while (readPacket(key, outcome)) {
      if (outcome->matched) return icmp::kSuccess;
    }
  }
}

// Reads one queued packet into `outcome`; false when none was waiting.
bool PosixIcmpEcho::readPacket(const icmp::EchoKey& key, icmp::EchoOutcome* outcome) {
  sockaddr_in from{};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int)) * 4] = {};
  iovec data{buffer_.get(), kReceiveBufferSize};
  msghdr message{};
  message.msg_name = &from;
  message.msg_namelen = sizeof from;
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  const ssize_t length = recvmsg(socket_.fd, &message, MSG_DONTWAIT);
  *outcome = icmp::EchoOutcome{};
  if (length < 0) return false;
  // A cut packet is no answer; a name that is not IPv4 leaves no source.
  if ((message.msg_flags & MSG_TRUNC) != 0 || message.msg_namelen < sizeof from) return true;
  const size_t size = static_cast<size_t>(length);
  if (socket_.raw) {
    *outcome = icmp::parseRawPacket(buffer_.get(), size, key);
    return true;
  }
  *outcome = icmp::parseDatagramReply(buffer_.get(), size, from.sin_addr.s_addr, key);
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level == SOL_IP && c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
      int ttl = 0;
      std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
      outcome->ttl = static_cast<uint8_t>(ttl);
    }
  }
  return true;
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
  iovec data{buffer_.get(), kReceiveBufferSize};
  sockaddr_in quotedDestination{};
  msghdr message{};
  message.msg_name = &quotedDestination;
  message.msg_namelen = sizeof quotedDestination;
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  const ssize_t length = recvmsg(socket_.fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
  if (length < 0) {
    // A pending socket error without a queued report would keep poll
    // waking us; reading it clears it.
    int pending = 0;
    socklen_t size = sizeof pending;
    getsockopt(socket_.fd, SOL_SOCKET, SO_ERROR, &pending, &size);
    return icmp::EchoOutcome{};
  }
  // A raw socket also receives every ICMP error as a packet, with the
  // whole quoted request to match on; its queue is only emptied here.
  const cmsghdr* holder = findExtendedError(&message);
  if (socket_.raw || holder == nullptr) return icmp::EchoOutcome{};
  // The kernel names the quoted datagram's destination as the sender.
  if (message.msg_namelen < sizeof quotedDestination || quotedDestination.sin_family != AF_INET ||
      !icmp::isErrorAboutOurRequest(buffer_.get(), static_cast<size_t>(length),
                                    quotedDestination.sin_addr.s_addr, key)) {
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

bool configureRaw(IcmpSocket* socket) {
  socket->identifier = wireIds().identifier;
  if (!installTypeFilter(socket->fd) || !installIdentifierFilter(socket->fd, socket->identifier)) {
    return false;
  }
  // Capped by the system's limit; a smaller queue still works.
  setIntOption(socket->fd, SOL_SOCKET, SO_RCVBUF, kSocketReceiveBuffer);
  return true;
}

// Binding picks the socket's identifier now, so replies can be checked for
// it from the first probe on.
bool configureDatagram(IcmpSocket* socket) {
  if (!setIntOption(socket->fd, SOL_IP, IP_RECVTTL, 1)) return false;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  socklen_t size = sizeof local;
  if (bind(socket->fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      getsockname(socket->fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    return false;
  }
  socket->identifier = ntohs(local.sin_port);
  return true;
}

// Opens and prepares an ICMP socket; 0 or the Windows error code.
uint32_t openIcmpSocket(IcmpSocket* socket) {
  int openError = 0;
  socket->fd = openSocket(&socket->raw, &openError);
  if (socket->fd < 0) {
    const bool denied = openError == EPERM || openError == EACCES;
    return denied ? kIcmpPermissionError : windowsErrorFromErrno(openError);
  }
  // Without IP_RECVERR a datagram socket never learns of ICMP errors.
  bool configured = setIntOption(socket->fd, SOL_IP, IP_RECVERR, 1);
  configured = configured && (socket->raw ? configureRaw(socket) : configureDatagram(socket));
  if (!configured) {
    const uint32_t error = windowsErrorFromErrno(errno);
    closeSocket(socket);
    return error;
  }
  return 0;
}

// The socket opened at start-up, while the process could still open a raw
// one, and the reason when that failed.
struct HeldSocket {
  bool taken = false;
  IcmpSocket socket;
  uint32_t error = 0;
};

HeldSocket& heldSocket() {
  static HeldSocket held;
  return held;
}

}  // namespace

void IcmpEcho::hold() {
  HeldSocket& held = heldSocket();
  if (held.taken) return;
  held.taken = true;
  held.error = openIcmpSocket(&held.socket);
}

void IcmpEcho::release() {
  HeldSocket& held = heldSocket();
  closeSocket(&held.socket);
  held = HeldSocket{};
}

std::unique_ptr<IcmpEcho> IcmpEcho::open(uint32_t* error) {
  const HeldSocket& held = heldSocket();
  if (held.taken) {
    *error = held.error;
    if (held.error != 0) return nullptr;
    return std::make_unique<PosixIcmpEcho>(held.socket, false);
  }
  IcmpSocket socket;
  *error = openIcmpSocket(&socket);
  if (*error != 0) return nullptr;
  return std::make_unique<PosixIcmpEcho>(socket, true);
}

}  // namespace velmora::platform
