#include "platform/dns_query.h"

#include <ares.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <mutex>

#include "platform/error_codes.h"

namespace velmora::platform {
namespace {

// DNS client codes of the query result.
constexpr uint32_t kInvalidName = 123;
constexpr uint32_t kFormatError = 9001;
constexpr uint32_t kServerFailure = 9002;
constexpr uint32_t kNameError = 9003;
constexpr uint32_t kNotImplemented = 9004;
constexpr uint32_t kRefused = 9005;
constexpr uint32_t kNoRecords = 9501;
constexpr uint32_t kBadPacket = 9502;

constexpr int kTryTimeoutMs = 1000;
constexpr int kTries = 2;
// A hard ceiling over c-ares' own retry schedule, so that the caller is
// never held longer than this whatever the servers do.
constexpr auto kDeadline = std::chrono::milliseconds(4000);

constexpr int kTypePtr = 12;
constexpr int kClassInternet = 1;

std::mutex testServersLock;
std::string testServers;

uint32_t dnsCode(int aresStatus) {
  switch (aresStatus) {
    case ARES_SUCCESS:
      return 0;
    case ARES_ENOTFOUND:
      return kNameError;
    case ARES_ENODATA:
      return kNoRecords;
    case ARES_ESERVFAIL:
      return kServerFailure;
    case ARES_EFORMERR:
      return kFormatError;
    case ARES_ENOTIMP:
      return kNotImplemented;
    case ARES_EREFUSED:
      return kRefused;
    case ARES_EBADRESP:
      return kBadPacket;
    case ARES_EBADNAME:
      return kInvalidName;
    case ARES_ENOMEM:
      return kErrorOutOfMemory;
    default:
      return kErrorTimeout;
  }
}

struct QueryOutcome {
  bool done = false;
  uint32_t code = kErrorTimeout;
  std::string hostName;
};

void onAnswer(void* arg, int status, int, unsigned char* answer, int length) {
  auto* outcome = static_cast<QueryOutcome*>(arg);
  outcome->done = true;
  outcome->code = dnsCode(status);
  if (status != ARES_SUCCESS) return;
  // The parser copies this address into the entry it builds; only the name
  // is of interest.
  const unsigned char unusedAddress[4] = {};
  hostent* entry = nullptr;
  const int parsed =
      ares_parse_ptr_reply(answer, length, unusedAddress, sizeof unusedAddress, AF_INET, &entry);
  outcome->code = dnsCode(parsed);
  if (parsed == ARES_SUCCESS && entry != nullptr && entry->h_name != nullptr) {
    outcome->hostName = entry->h_name;
  }
  if (entry != nullptr) ares_free_hostent(entry);
}

class Channel {
 public:
  Channel() {
    ares_library_init(ARES_LIB_INIT_ALL);
    ares_options options = {};
    options.timeout = kTryTimeoutMs;
    options.tries = kTries;
    options.flags = ARES_FLAG_NOSEARCH;
    status_ = ares_init_options(&channel_, &options,
                                ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_FLAGS);
  }
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;
  ~Channel() {
    if (status_ == ARES_SUCCESS) ares_destroy(channel_);
    ares_library_cleanup();
  }
  int status() const { return status_; }
  ares_channel get() const { return channel_; }

 private:
  ares_channel channel_ = nullptr;
  int status_ = ARES_ENOTINITIALIZED;
};

// One poll over the channel's sockets, bounded by c-ares' next retry time
// and by what remains of the overall deadline.
void waitStep(ares_channel channel, std::chrono::steady_clock::time_point deadline) {
  ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
  const int mask = ares_getsock(channel, sockets, ARES_GETSOCK_MAXNUM);
  pollfd fds[ARES_GETSOCK_MAXNUM];
  nfds_t count = 0;
  for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
    const bool readable = ARES_GETSOCK_READABLE(mask, i);
    const bool writable = ARES_GETSOCK_WRITABLE(mask, i);
    if (!readable && !writable) continue;
    fds[count++] = {sockets[i],
                    static_cast<short>((readable ? POLLIN : 0) | (writable ? POLLOUT : 0)), 0};
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
  const long long leftMs = left < 0 ? 0 : left;
  timeval limit = {static_cast<time_t>(leftMs / 1000),
                   static_cast<suseconds_t>((leftMs % 1000) * 1000)};
  timeval next = {};
  timeval* wait = ares_timeout(channel, &limit, &next);
  const int waitMs = static_cast<int>(wait->tv_sec * 1000 + wait->tv_usec / 1000);
  poll(fds, count, waitMs < 0 ? 0 : waitMs);
  for (nfds_t i = 0; i < count; ++i) {
    const ares_socket_t readSocket =
        (fds[i].revents & (POLLIN | POLLERR | POLLHUP)) != 0 ? fds[i].fd : ARES_SOCKET_BAD;
    const ares_socket_t writeSocket = (fds[i].revents & POLLOUT) != 0 ? fds[i].fd : ARES_SOCKET_BAD;
    ares_process_fd(channel, readSocket, writeSocket);
  }
  // Lets c-ares act on its time-outs when no socket was ready.
  ares_process_fd(channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
}

}  // namespace

uint32_t dnsQueryPtr(const std::string& name, std::string* hostName) {
  Channel channel;
  if (channel.status() != ARES_SUCCESS) return dnsCode(channel.status());
  {
    std::lock_guard<std::mutex> lock(testServersLock);
    if (!testServers.empty() &&
        ares_set_servers_ports_csv(channel.get(), testServers.c_str()) != ARES_SUCCESS) {
      return kInvalidName;
    }
  }
  QueryOutcome outcome;
  ares_query(channel.get(), name.c_str(), kClassInternet, kTypePtr, onAnswer, &outcome);
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  while (!outcome.done && std::chrono::steady_clock::now() < deadline) {
    waitStep(channel.get(), deadline);
  }
  if (!outcome.done) ares_cancel(channel.get());
  if (outcome.code == 0) *hostName = outcome.hostName;
  return outcome.done ? outcome.code : kErrorTimeout;
}

bool setDnsServersForTesting(const std::string& servers) {
  std::lock_guard<std::mutex> lock(testServersLock);
  testServers = servers;
  return true;
}

}  // namespace velmora::platform
