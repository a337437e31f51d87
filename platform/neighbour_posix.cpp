#include "platform/neighbour_posix.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#if defined(__linux__)
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

#include "platform/file_descriptor_posix.h"
#endif

namespace velmora::platform {

#if defined(__linux__)
namespace {

constexpr uint16_t kDiscardPort = 9;
// Between two reads of the whole table while waiting: a change the
// notifications missed (they are not guaranteed) is still seen soon.
constexpr int kRereadMillis = 200;

struct Target {
  sockaddr_storage address{};
  socklen_t length = 0;
  int family = 0;
  uint8_t bytes[16] = {};
  size_t size = 0;
  uint32_t interfaceIndex = 0;  // 0: any link
};

bool parseTarget(const std::string& text, Target* target) {
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(text.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  std::memcpy(&target->address, found->ai_addr, found->ai_addrlen);
  target->length = found->ai_addrlen;
  target->family = found->ai_family;
  freeaddrinfo(found);
  if (target->family == AF_INET) {
    auto* in = reinterpret_cast<sockaddr_in*>(&target->address);
    in->sin_port = htons(kDiscardPort);
    std::memcpy(target->bytes, &in->sin_addr, 4);
    target->size = 4;
    return true;
  }
  if (target->family != AF_INET6) return false;
  auto* in6 = reinterpret_cast<sockaddr_in6*>(&target->address);
  in6->sin6_port = htons(kDiscardPort);
  std::memcpy(target->bytes, &in6->sin6_addr, 16);
  target->size = 16;
  target->interfaceIndex = in6->sin6_scope_id;
  return true;
}

enum class Seen { kNothing, kFound, kFailed };

// The attributes follow the neighbour header, aligned.
const rtattr* firstAttribute(const ndmsg* entry) {
  return reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(entry) +
                                         NLMSG_ALIGN(sizeof(ndmsg)));
}

// One neighbour message: the entry of the target in a usable state gives its
// address; a failed resolution ends the wait early.
Seen examine(const nlmsghdr* header, const Target& target, std::vector<uint8_t>* bytes) {
  if (header->nlmsg_type != RTM_NEWNEIGH) return Seen::kNothing;
  const auto* entry = static_cast<const ndmsg*>(NLMSG_DATA(header));
  if (entry->ndm_family != target.family) return Seen::kNothing;
  if (target.interfaceIndex != 0 &&
      static_cast<uint32_t>(entry->ndm_ifindex) != target.interfaceIndex)
    return Seen::kNothing;
  int left = static_cast<int>(NLMSG_PAYLOAD(header, sizeof(ndmsg)));
  bool matches = false;
  std::vector<uint8_t> link;
  for (const rtattr* a = firstAttribute(entry); RTA_OK(a, left); a = RTA_NEXT(a, left)) {
    const auto* data = static_cast<const uint8_t*>(RTA_DATA(a));
    const size_t size = RTA_PAYLOAD(a);
    if (a->rta_type == NDA_DST) {
      matches = size == target.size && std::memcmp(data, target.bytes, size) == 0;
    } else if (a->rta_type == NDA_LLADDR) {
      link.assign(data, data + size);
    }
  }
  if (!matches) return Seen::kNothing;
  if (entry->ndm_state & NUD_FAILED) return Seen::kFailed;
  constexpr int kUsable = NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT;
  if ((entry->ndm_state & kUsable) == 0 || link.empty()) return Seen::kNothing;
  *bytes = link;
  return Seen::kFound;
}

// Reads what is waiting on `fd` (up to `waitMillis`) and examines every
// neighbour message; `done` is set when a dump has ended.
Seen readMessages(int fd, int waitMillis, const Target& target, std::vector<uint8_t>* bytes,
                  bool* done) {
  pollfd entry{fd, POLLIN, 0};
  if (::poll(&entry, 1, waitMillis) <= 0) return Seen::kNothing;
  alignas(nlmsghdr) char buffer[16384];
  const ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (got <= 0) {
    if (done) *done = true;
    return Seen::kNothing;
  }
  Seen result = Seen::kNothing;
  int left = static_cast<int>(got);
  // NLMSG_OK compares the length both as int and as unsigned.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"
  for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
#pragma GCC diagnostic pop
    if (h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR) {
      if (done) *done = true;
      continue;
    }
    const Seen seen = examine(h, target, bytes);
    if (seen == Seen::kFound || (seen == Seen::kFailed && result == Seen::kNothing)) result = seen;
  }
  return result;
}

int openNetlink(uint32_t groups) {
  const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd < 0) return -1;
  sockaddr_nl local{};
  local.nl_family = AF_NETLINK;
  local.nl_groups = groups;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The whole neighbour table of the target's family, read once.
Seen readTable(const Target& target, std::vector<uint8_t>* bytes, bool* readable) {
  FileDescriptor fd(openNetlink(0));
  *readable = fd.valid();
  if (!fd.valid()) return Seen::kNothing;
  struct {
    nlmsghdr header;
    ndmsg body;
  } request{};
  request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
  request.header.nlmsg_type = RTM_GETNEIGH;
  request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request.body.ndm_family = static_cast<uint8_t>(target.family);
  if (::send(fd.get(), &request, request.header.nlmsg_len, 0) < 0) {
    *readable = false;
    return Seen::kNothing;
  }
  Seen result = Seen::kNothing;
  bool done = false;
  while (!done) {
    const Seen seen = readMessages(fd.get(), 1000, target, bytes, &done);
    if (seen == Seen::kFound) return seen;
    if (seen == Seen::kFailed) result = seen;
  }
  return result;
}

// The datagram that makes the kernel resolve the neighbour. False when it
// cannot go out at all (no route, no link for a link-local address).
bool provokeResolution(const Target& target, const std::string& source) {
  FileDescriptor fd(::socket(target.family, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return false;
  Target from;
  if (!source.empty() && parseTarget(source, &from) && from.family == target.family) {
    if (from.family == AF_INET) reinterpret_cast<sockaddr_in*>(&from.address)->sin_port = 0;
    if (from.family == AF_INET6) reinterpret_cast<sockaddr_in6*>(&from.address)->sin6_port = 0;
    (void)::bind(fd.get(), reinterpret_cast<const sockaddr*>(&from.address), from.length);
  }
  return ::sendto(fd.get(), "", 0, MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&target.address),
                  target.length) == 0;
}

}  // namespace

NeighbourResult resolveNeighbour(const std::string& address, const std::string& source,
                                 uint32_t waitMillis, std::vector<uint8_t>* bytes) {
  Target target;
  if (!parseTarget(address, &target)) return NeighbourResult::kNotFound;
  // Subscribed before the table is read, so no change falls between the two.
  FileDescriptor events(openNetlink(RTMGRP_NEIGH));
  bool readable = false;
  Seen seen = readTable(target, bytes, &readable);
  if (!readable) return NeighbourResult::kNoTable;
  if (seen == Seen::kFound) return NeighbourResult::kFound;
  if (!provokeResolution(target, source)) return NeighbourResult::kNotFound;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(waitMillis);
  Clock::time_point nextRead = Clock::now() + std::chrono::milliseconds(kRereadMillis);
  for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
    const auto untilRead =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::min(end, nextRead) - now);
    const int step = static_cast<int>(untilRead.count()) + 1;
    // A failure the kernel announces ends the wait; one left in the table
    // may be older than the datagram just sent.
    seen = events.valid() ? readMessages(events.get(), step, target, bytes, nullptr)
                          : (::poll(nullptr, 0, step), Seen::kNothing);
    if (seen == Seen::kFound) return NeighbourResult::kFound;
    if (seen == Seen::kFailed) return NeighbourResult::kNotFound;
    if (Clock::now() >= nextRead) {
      if (readTable(target, bytes, &readable) == Seen::kFound) return NeighbourResult::kFound;
      nextRead = Clock::now() + std::chrono::milliseconds(kRereadMillis);
    }
  }
  return NeighbourResult::kNotFound;
}

#else

NeighbourResult resolveNeighbour(const std::string&, const std::string&, uint32_t,
                                 std::vector<uint8_t>*) {
  return NeighbourResult::kNoTable;
}

#endif

}  // namespace velmora::platform
