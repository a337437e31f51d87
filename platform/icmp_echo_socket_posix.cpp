#include "platform/icmp_echo_socket_posix.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// The kernel's headers use the C library's socket types.
#include <linux/errqueue.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "platform/icmp_echo_family_posix.h"
#include "platform/sockaddr_convert.h"
#include "platform/system_error_posix.h"

namespace velmora::platform::icmp {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReceiveBufferSize = 65536;
// Room in the kernel's queue for a burst of answers (a router's errors, a
// flood of replies) while one probe waits.
constexpr int kSocketReceiveBuffer = 256 * 1024;

struct WireIds {
  uint16_t identifier;
  std::atomic<uint16_t> sequence;
};

// One identifier per process, and a sequence number that no two requests of
// this process share (in either family), so that concurrent handles never
// take each other's replies; the random start keeps other processes' raw
// sockets apart.
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

bool fallsBackToRaw(int error) {
  return error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == EAFNOSUPPORT;
}

uint32_t statusForSendErrno(int error) {
  return error == EHOSTUNREACH ? kHostUnreachable : kGeneralFailure;
}

uint32_t elapsedMs(Clock::time_point start) {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  return static_cast<uint32_t>(elapsed.count());
}

// What answered a request: a packet or an error report that matched.
struct Answer {
  bool matched = false;
  uint32_t status = kSuccess;
  SocketAddress replier;
  uint16_t dataSize = 0;
  uint8_t ttl = 0;
};

const cmsghdr* findControl(msghdr* message, int level, int type, size_t size) {
  for (cmsghdr* c = CMSG_FIRSTHDR(message); c != nullptr; c = CMSG_NXTHDR(message, c)) {
    if (c->cmsg_level == level && c->cmsg_type == type && c->cmsg_len >= CMSG_LEN(size)) return c;
  }
  return nullptr;
}

// The router that reported the error; the unspecified address for errors
// raised on this host.
SocketAddress offenderAddress(const cmsghdr* holder, int family) {
  SocketAddress offender;
  const auto* error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(holder));
  const size_t room = holder->cmsg_len - CMSG_LEN(sizeof(sock_extended_err));
  if (holder->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err))) {
    sockaddr_storage storage{};
    std::memcpy(&storage, SO_EE_OFFENDER(error), std::min(room, sizeof(sockaddr_in6)));
    detail::fromSockaddr(storage, &offender);
  }
  if (offender.family != family) offender = SocketAddress();
  offender.family = family;
  return offender;
}

// Reads the socket's error queue until it is empty, into `control` for
// each report; calls `report` for each one with an extended error.
template <typename OnReport>
void drainErrorQueue(int fd, const EchoFamily& family, OnReport&& report) {
  for (;;) {
    alignas(cmsghdr) char control[512] = {};
    uint8_t quoted[64];
    iovec data{quoted, sizeof quoted};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) return;
    const cmsghdr* holder =
        findControl(&message, family.level, family.receiveErrors, sizeof(sock_extended_err));
    if (holder == nullptr) continue;
    sock_extended_err error{};
    std::memcpy(&error, CMSG_DATA(holder), sizeof error);
    report(error);
  }
}

ssize_t sendPacket(int fd, const std::vector<uint8_t>& packet, const sockaddr_storage& target,
                   socklen_t targetLength) {
  ssize_t sent;
  do {
    sent = sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                  targetLength);
  } while (sent < 0 && errno == EINTR);
  return sent;
}

}  // namespace

class EchoExchange::Impl {
 public:
  explicit Impl(const EchoSocket& socket)
      : socket_(socket),
        family_(echoFamily(socket.family)),
        buffer_(new uint8_t[kReceiveBufferSize]) {}

  EchoResult send(const SocketAddress& destination, const void* data, uint16_t size,
                  uint32_t replyBufferSize, uint32_t timeoutMs);

 private:
  EchoResult failure(uint32_t status) const {
    EchoResult result;
    result.status = status;
    result.replier.family = socket_.family;
    return result;
  }
  bool sendRequest(const EchoTarget& target, const void* data, uint16_t size, int* error);
  bool discardQueuedErrors(int explained);
  uint32_t waitForAnswer(const EchoTarget& target, Clock::time_point deadline, Answer* answer);
  bool readPacket(const EchoTarget& target, Answer* answer);
  Answer readError(const EchoTarget& target);
  Answer answerOfError(const cmsghdr* holder) const;

  EchoSocket socket_;
  const EchoFamily& family_;
  // Left uninitialised: a receive writes what it reads, and untouched pages
  // of the buffer then cost no memory.
  std::unique_ptr<uint8_t[]> buffer_;
};

EchoResult EchoExchange::Impl::send(const SocketAddress& destination, const void* data,
                                    uint16_t size, uint32_t replyBufferSize, uint32_t timeoutMs) {
  if (replyBufferSize < family_.recordSize + size + kIcmpHeaderSize) {
    return failure(kBufferTooSmall);
  }
  EchoTarget target;
  target.destination = destination;
  target.destination.port = 0;
  target.identifier = socket_.identifier;
  target.sequence = wireIds().sequence.fetch_add(1);
  const Clock::time_point start = Clock::now();
  int error = 0;
  if (!sendRequest(target, data, size, &error)) return failure(statusForSendErrno(error));
  Answer answer;
  const uint32_t status =
      waitForAnswer(target, start + std::chrono::milliseconds(timeoutMs), &answer);
  if (status != kSuccess) return failure(status);
  EchoResult result;
  result.count = 1;
  result.status = answer.status;
  result.replier = answer.replier;
  result.roundTripTime = elapsedMs(start);
  result.dataSize = answer.dataSize;
  result.ttl = answer.ttl;
  return result;
}

bool EchoExchange::Impl::sendRequest(const EchoTarget& target, const void* data, uint16_t size,
                                     int* error) {
  const std::vector<uint8_t> packet = family_.buildRequest(target, data, size);
  sockaddr_storage address{};
  const auto length = static_cast<socklen_t>(detail::toSockaddr(target.destination, &address));
  // Linux fails a socket's next send with the last ICMP error it queued,
  // whatever request that error was about: everything queued before this
  // send is about requests already answered or given up. A send that fails
  // with an errno the queue explains empties the queue and is repeated
  // once; emptying it before every send would cost each probe a system call.
  ssize_t sent = sendPacket(socket_.fd, packet, address, length);
  if (sent < 0 && discardQueuedErrors(errno))
    sent = sendPacket(socket_.fd, packet, address, length);
  *error = sent < 0 ? errno : 0;
  return sent == static_cast<ssize_t>(packet.size());
}

// Empties the error queue. True when one of its reports was an ICMP error
// giving `explained` as its errno: why a send failed with that errno.
bool EchoExchange::Impl::discardQueuedErrors(int explained) {
  bool found = false;
  drainErrorQueue(socket_.fd, family_, [&](const sock_extended_err& error) {
    if (error.ee_origin == family_.errorOrigin && explained != 0 &&
        static_cast<int>(error.ee_errno) == explained) {
      found = true;
    }
  });
  return found;
}

// Waits out the whole time-out: a signal (Control-C) only restarts the
// wait, so the probe under way still ends with its real outcome. Returns
// the failure status, or success with the answer in `answer`.
uint32_t EchoExchange::Impl::waitForAnswer(const EchoTarget& target, Clock::time_point deadline,
                                           Answer* answer) {
  // A host's own addresses answer before the send returns: what is queued
  // already is read first, and the wait comes only when nothing matched.
  while (readPacket(target, answer)) {
    if (answer->matched) return kSuccess;
  }
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return kTimedOut;
    pollfd entry{socket_.fd, POLLIN, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return kGeneralFailure;
    if (ready <= 0) continue;
    if ((entry.revents & POLLERR) != 0) *answer = readError(target);
    if (answer->matched) return kSuccess;
    // Everything queued is read before waiting again: one wake-up for a
    // burst of other packets.
    if ((entry.revents & POLLIN) == 0) continue;
    while (readPacket(target, answer)) {
      if (answer->matched) return kSuccess;
    }
  }
}

// Reads one queued packet into `answer`; false when none was waiting.
bool EchoExchange::Impl::readPacket(const EchoTarget& target, Answer* answer) {
  sockaddr_storage from{};
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
  *answer = Answer{};
  if (length < 0) return false;
  // A cut packet is no answer; nor is one without a source of our family.
  if ((message.msg_flags & MSG_TRUNC) != 0 || from.ss_family != family_.domain) return true;
  SocketAddress source;
  detail::fromSockaddr(from, &source);
  const EchoOutcome outcome =
      family_.parse(buffer_.get(), static_cast<size_t>(length), source, socket_.raw, target);
  if (!outcome.matched) return true;
  answer->matched = true;
  answer->status = outcome.status;
  answer->replier = source;
  answer->replier.port = 0;
  answer->dataSize = outcome.dataSize;
  answer->ttl = outcome.ttl;
  const cmsghdr* hops = findControl(&message, family_.level, family_.hopLimitMessage, sizeof(int));
  if (hops != nullptr) {
    int ttl = 0;
    std::memcpy(&ttl, CMSG_DATA(hops), sizeof ttl);
    answer->ttl = static_cast<uint8_t>(ttl);
  }
  return true;
}

Answer EchoExchange::Impl::answerOfError(const cmsghdr* holder) const {
  sock_extended_err error{};
  std::memcpy(&error, CMSG_DATA(holder), sizeof error);
  Answer answer;
  if (error.ee_origin == family_.errorOrigin) {
    if (!family_.statusForError(error.ee_type, error.ee_code, &answer.status)) return answer;
  } else {
    answer.status = statusForSendErrno(static_cast<int>(error.ee_errno));
  }
  answer.matched = true;
  answer.replier = offenderAddress(holder, socket_.family);
  return answer;
}

Answer EchoExchange::Impl::readError(const EchoTarget& target) {
  alignas(cmsghdr) char control[512] = {};
  iovec data{buffer_.get(), kReceiveBufferSize};
  sockaddr_storage quotedDestination{};
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
    return Answer{};
  }
  // A raw socket also receives every ICMP error as a packet, with the
  // whole quoted request to match on; its queue is only emptied here.
  const cmsghdr* holder =
      findControl(&message, family_.level, family_.receiveErrors, sizeof(sock_extended_err));
  if (socket_.raw || holder == nullptr) return Answer{};
  // The kernel names the quoted datagram's destination as the sender.
  SocketAddress destination;
  detail::fromSockaddr(quotedDestination, &destination);
  if (destination.family != socket_.family ||
      !family_.isErrorAboutOurRequest(buffer_.get(), static_cast<size_t>(length), destination,
                                      target)) {
    return Answer{};
  }
  return answerOfError(holder);
}

EchoExchange::EchoExchange(const EchoSocket& socket) : impl_(new Impl(socket)) {}

EchoExchange::~EchoExchange() = default;

EchoResult EchoExchange::send(const SocketAddress& destination, const void* data, uint16_t size,
                              uint32_t replyBufferSize, uint32_t timeoutMs) {
  return impl_->send(destination, data, size, replyBufferSize, timeoutMs);
}

namespace {

int openSocket(const EchoFamily& family, bool* raw, int* error) {
  int fd = socket(family.domain, SOCK_DGRAM | SOCK_CLOEXEC, family.protocol);
  *raw = false;
  if (fd < 0 && fallsBackToRaw(errno)) {
    fd = socket(family.domain, SOCK_RAW | SOCK_CLOEXEC, family.protocol);
    *raw = true;
  }
  *error = fd < 0 ? errno : 0;
  return fd;
}

bool configureRaw(const EchoFamily& family, EchoSocket* socket) {
  socket->identifier = wireIds().identifier;
  if (!family.installRawFilters(socket->fd, socket->identifier)) return false;
  // Capped by the system's limit; a smaller queue still works.
  setIntOption(socket->fd, SOL_SOCKET, SO_RCVBUF, kSocketReceiveBuffer);
  return family.rawHasIpHeader || setIntOption(socket->fd, family.level, family.receiveHopLimit, 1);
}

// Binding picks the socket's identifier now, so replies can be checked for
// it from the first probe on.
bool configureDatagram(const EchoFamily& family, EchoSocket* socket) {
  if (!setIntOption(socket->fd, family.level, family.receiveHopLimit, 1)) return false;
  SocketAddress any;
  any.family = socket->family;
  sockaddr_storage local{};
  socklen_t size = static_cast<socklen_t>(detail::toSockaddr(any, &local));
  if (bind(socket->fd, reinterpret_cast<const sockaddr*>(&local), size) != 0) return false;
  size = sizeof local;
  if (getsockname(socket->fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) return false;
  SocketAddress bound;
  detail::fromSockaddr(local, &bound);
  socket->identifier = bound.port;
  return true;
}

}  // namespace

uint32_t openEchoSocket(int family, EchoSocket* socket) {
  const EchoFamily& description = echoFamily(family);
  *socket = EchoSocket{};
  socket->family = family;
  int openError = 0;
  socket->fd = openSocket(description, &socket->raw, &openError);
  if (socket->fd < 0) {
    const bool denied = openError == EPERM || openError == EACCES;
    return denied ? kIcmpPermissionError : windowsErrorFromErrno(openError);
  }
  // Without the error queue a datagram socket never learns of ICMP errors.
  bool configured = setIntOption(socket->fd, description.level, description.receiveErrors, 1);
  configured = configured && (socket->raw ? configureRaw(description, socket)
                                          : configureDatagram(description, socket));
  if (!configured) {
    const uint32_t error = windowsErrorFromErrno(errno);
    closeEchoSocket(socket);
    return error;
  }
  return 0;
}

void closeEchoSocket(EchoSocket* socket) {
  if (socket->fd >= 0) close(socket->fd);
  socket->fd = -1;
}

}  // namespace velmora::platform::icmp
