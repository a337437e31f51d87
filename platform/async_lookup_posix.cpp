#include "platform/async_lookup.h"

#include <ares.h>
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/error_codes.h"
#include "platform/lookup_entry.h"
#include "platform/poll_source_posix.h"
#include "platform/sockaddr_convert.h"

namespace velmora::platform {
namespace {

// The entries are laid out as Windows lays out its hostent and (64-bit)
// servent, so that a result buffer reads the same on both systems.
struct WinHostEnt {
  char* h_name;
  char** h_aliases;
  short h_addrtype;
  short h_length;
  char** h_addr_list;
};
struct WinServEnt {
  char* s_name;
  char** s_aliases;
  char* s_proto;
  short s_port;
};

int hostErrorCode(int hostError) {
  switch (hostError) {
    case HOST_NOT_FOUND:
      return kWsaHostNotFound;
    case TRY_AGAIN:
      return kWsaTryAgain;
    case NO_DATA:
      return kWsaNoData;
    default:
      return kWsaNoRecovery;
  }
}

int aresErrorCode(int status) {
  switch (status) {
    case ARES_SUCCESS:
      return 0;
    case ARES_ENOTFOUND:
    case ARES_EBADNAME:
      return kWsaHostNotFound;
    case ARES_ENODATA:
      return kWsaNoData;
    case ARES_ETIMEOUT:
    case ARES_ECONNREFUSED:
    case ARES_ESERVFAIL:
      return kWsaTryAgain;
    case ARES_ENOMEM:
      return kWsaENoBufs;
    default:
      return kWsaNoRecovery;
  }
}

// This c-ares takes neither "timeout:" nor "attempts:" from the resolver
// configuration, and its own defaults (5 s, four tries, each twice as long)
// keep an unanswered lookup pending for over a minute; the system resolver's
// settings (5 s, two attempts unless configured) are read here instead.
void resolverTimeouts(ares_options* options) {
  options->timeout = 5000;
  options->tries = 2;
  std::ifstream conf("/etc/resolv.conf");
  std::string line;
  while (std::getline(conf, line)) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word != "options") continue;
    while (words >> word) {
      const size_t colon = word.find(':');
      if (colon == std::string::npos) continue;
      const int value = std::atoi(word.c_str() + colon + 1);
      if (word.compare(0, colon, "timeout") == 0 && value > 0) options->timeout = value * 1000;
      if (word.compare(0, colon, "attempts") == 0 && value > 0) options->tries = value;
    }
  }
}

// Places the parts of an entry one after the other in a result buffer.
class EntryWriter {
 public:
  explicit EntryWriter(char* base) : base_(base) {}
  bool ok() const { return ok_; }
  int used() const { return static_cast<int>(used_); }

  void* reserve(size_t size, size_t align) {
    size_t start = (used_ + align - 1) / align * align;
    if (!ok_ || start + size > static_cast<size_t>(kLookupBufferSize)) {
      ok_ = false;
      return nullptr;
    }
    used_ = start + size;
    return base_ + start;
  }
  char* text(const char* value) {
    const size_t size = std::strlen(value) + 1;
    char* out = static_cast<char*>(reserve(size, 1));
    if (out != nullptr) std::memcpy(out, value, size);
    return out;
  }
  char** textList(char* const* values) {
    size_t count = 0;
    while (values != nullptr && values[count] != nullptr) ++count;
    auto** list = static_cast<char**>(reserve((count + 1) * sizeof(char*), alignof(char*)));
    if (list == nullptr) return nullptr;
    for (size_t i = 0; i < count; ++i) list[i] = text(values[i]);
    list[count] = nullptr;
    return list;
  }

 private:
  char* base_;
  size_t used_ = 0;
  bool ok_ = true;
};

int packHost(const hostent& source, char* buffer, int* length) {
  EntryWriter writer(buffer);
  auto* host = static_cast<WinHostEnt*>(writer.reserve(sizeof(WinHostEnt), alignof(WinHostEnt)));
  if (host == nullptr) return kWsaENoBufs;
  host->h_addrtype = static_cast<short>(source.h_addrtype);
  host->h_length = static_cast<short>(source.h_length);
  host->h_name = writer.text(source.h_name != nullptr ? source.h_name : "");
  host->h_aliases = writer.textList(source.h_aliases);
  size_t count = 0;
  while (source.h_addr_list != nullptr && source.h_addr_list[count] != nullptr) ++count;
  auto** list = static_cast<char**>(writer.reserve((count + 1) * sizeof(char*), alignof(char*)));
  host->h_addr_list = list;
  for (size_t i = 0; list != nullptr && i < count; ++i) {
    list[i] = static_cast<char*>(writer.reserve(static_cast<size_t>(source.h_length), 4));
    if (list[i] != nullptr) std::memcpy(list[i], source.h_addr_list[i], source.h_length);
  }
  if (list != nullptr) list[count] = nullptr;
  *length = writer.used();
  return writer.ok() ? 0 : kWsaENoBufs;
}

int packService(const servent& source, char* buffer, int* length) {
  EntryWriter writer(buffer);
  auto* service = static_cast<WinServEnt*>(writer.reserve(sizeof(WinServEnt), alignof(WinServEnt)));
  if (service == nullptr) return kWsaENoBufs;
  service->s_port = static_cast<short>(source.s_port);
  service->s_name = writer.text(source.s_name);
  service->s_aliases = writer.textList(source.s_aliases);
  service->s_proto = writer.text(source.s_proto);
  *length = writer.used();
  return writer.ok() ? 0 : kWsaENoBufs;
}

struct Request {
  WindowHandle window = nullptr;
  uint32_t message = 0;
  bool host = false;
  bool finished = false;
  std::vector<char> entry;
  const char* packedAt = nullptr;  // where the entry's pointers point
};

std::atomic<LookupHandle> nextHandle{1};
thread_local std::string testServers;

LookupHandle newHandle() {
  LookupHandle handle = nextHandle++;
  return handle != 0 ? handle : nextHandle++;
}

// The lookups of one thread. c-ares runs inside that thread's message wait
// through the poll-source hook, so no thread of our own is ever started; the
// channel exists only while host lookups are in flight.
class Resolver : public PollSource {
 public:
  ~Resolver() { closeChannel(); }

  LookupHandle add(WindowHandle window, uint32_t message, bool host) {
    const LookupHandle handle = newHandle();
    Request& request = requests_[handle];
    request.window = window;
    request.message = message;
    request.host = host;
    return handle;
  }

  void finish(LookupHandle handle, int error, const char* entry, int length) {
    auto it = requests_.find(handle);
    if (it == requests_.end() || it->second.finished) return;
    Request& request = it->second;
    request.finished = true;
    request.entry.assign(entry, entry + length);
    request.packedAt = entry;
    const intptr_t lParam = (static_cast<intptr_t>(error & 0xFFFF) << 16) | (length & 0xFFFF);
    // A window that is gone leaves nobody to take the result.
    if (!postMessage(request.window, request.message, handle, lParam)) requests_.erase(it);
  }

  int cancel(LookupHandle handle) {
    auto it = requests_.find(handle);
    if (it == requests_.end()) return kWsaEInval;
    // A finished request's message is already queued; its entry goes now,
    // so that the late message finds nothing to take.
    const int status = it->second.finished ? kWsaEAlready : 0;
    requests_.erase(it);
    releaseIdleChannel();
    return status;
  }

  bool take(LookupHandle handle, char* buffer) {
    auto it = requests_.find(handle);
    if (it == requests_.end() || !it->second.finished) return false;
    const Request& request = it->second;
    const int length = static_cast<int>(request.entry.size());
    // A failed lookup leaves no entry, and nothing to copy.
    if (length > 0) std::memcpy(buffer, request.entry.data(), request.entry.size());
    if (request.host) {
      lookup_entry::rebaseHost<WinHostEnt>(buffer, length, request.packedAt);
    } else {
      lookup_entry::rebaseService<WinServEnt>(buffer, length, request.packedAt);
    }
    requests_.erase(it);
    return true;
  }

  ares_channel channel(int* error) {
    if (channel_ != nullptr) return channel_;
    ares_library_init(ARES_LIB_INIT_ALL);
    ares_options options{};
    resolverTimeouts(&options);
    int status = ares_init_options(&channel_, &options, ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES);
    if (status == ARES_SUCCESS && !testServers.empty()) {
      status = ares_set_servers_ports_csv(channel_, testServers.c_str());
      if (status != ARES_SUCCESS) ares_destroy(channel_);
    }
    if (status != ARES_SUCCESS) {
      ares_library_cleanup();
      channel_ = nullptr;
      *error = aresErrorCode(status);
      return nullptr;
    }
    addPollSource(this);
    return channel_;
  }

  void releaseIdleChannel() {
    for (const auto& [handle, request] : requests_) {
      if (request.host && !request.finished) return;
    }
    closeChannel();
  }

  void addDescriptors(std::vector<pollfd>* entries, uint32_t* waitMillis) override {
    if (channel_ == nullptr) return;
    ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
    const int mask = ares_getsock(channel_, sockets, ARES_GETSOCK_MAXNUM);
    for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
      short events = static_cast<short>((ARES_GETSOCK_READABLE(mask, i) ? POLLIN : 0) |
                                        (ARES_GETSOCK_WRITABLE(mask, i) ? POLLOUT : 0));
      if (events != 0) entries->push_back(pollfd{sockets[i], events, 0});
    }
    timeval limit = {static_cast<time_t>(*waitMillis / 1000),
                     static_cast<suseconds_t>((*waitMillis % 1000) * 1000)};
    timeval next = {};
    const timeval* wait = ares_timeout(channel_, &limit, &next);
    const long long millis = wait->tv_sec * 1000LL + (wait->tv_usec + 999) / 1000;
    if (millis < *waitMillis) *waitMillis = static_cast<uint32_t>(millis < 0 ? 0 : millis);
  }

  void onPolled(const pollfd* entries, size_t count) override {
    if (channel_ == nullptr) return;
    for (size_t i = 0; i < count; ++i) {
      const bool readable = (entries[i].revents & (POLLIN | POLLERR | POLLHUP)) != 0;
      const bool writable = (entries[i].revents & POLLOUT) != 0;
      if (readable || writable) {
        ares_process_fd(channel_, readable ? entries[i].fd : ARES_SOCKET_BAD,
                        writable ? entries[i].fd : ARES_SOCKET_BAD);
      }
    }
    // Lets c-ares act on its time-outs when no socket was ready.
    ares_process_fd(channel_, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
    releaseIdleChannel();
  }

 private:
  void closeChannel() {
    if (channel_ == nullptr) return;
    removePollSource(this);
    ares_channel channel = channel_;
    channel_ = nullptr;
    // Cancelled queries still in the channel end here; their callbacks find
    // no request and do nothing.
    ares_destroy(channel);
    ares_library_cleanup();
  }

  std::map<LookupHandle, Request> requests_;
  ares_channel channel_ = nullptr;
};

Resolver& resolver() {
  thread_local Resolver instance;
  return instance;
}

void finishHost(LookupHandle handle, int error, const hostent* host) {
  alignas(16) char buffer[kLookupBufferSize];
  int length = 0;
  if (error == 0 && host != nullptr) error = packHost(*host, buffer, &length);
  if (error != 0) length = 0;
  resolver().finish(handle, error, buffer, length);
}

void onHostAnswer(void* arg, int status, int, hostent* host) {
  finishHost(reinterpret_cast<LookupHandle>(arg), aresErrorCode(status), host);
}

// c-ares ends a lookup by address with "not found" once its last source, the
// DNS query, has failed for any reason, a time-out included; only the count
// of timed-out tries tells the two apart. A server that never answered is a
// reason to try again, as for a lookup by name.
void onAddressAnswer(void* arg, int status, int timeouts, hostent* host) {
  int error = aresErrorCode(status);
  if (status == ARES_ENOTFOUND && timeouts > 0) error = kWsaTryAgain;
  finishHost(reinterpret_cast<LookupHandle>(arg), error, host);
}

template <typename Start>
LookupHandle startHost(WindowHandle window, uint32_t message, int* error, Start start) {
  if (!isWindow(window)) {
    *error = kWsaEInval;
    return 0;
  }
  ares_channel channel = resolver().channel(error);
  if (channel == nullptr) return 0;
  const LookupHandle handle = resolver().add(window, message, true);
  start(channel, handle);
  return handle;
}

LookupHandle finishService(WindowHandle window, uint32_t message, int* error, int lookupStatus,
                           const servent* found) {
  if (!isWindow(window)) {
    *error = kWsaEInval;
    return 0;
  }
  alignas(16) char buffer[kLookupBufferSize];
  int length = 0;
  int status = found != nullptr ? packService(*found, buffer, &length) : kWsaNoData;
  if (lookupStatus == ERANGE) status = kWsaENoBufs;
  if (status != 0) length = 0;
  const LookupHandle handle = resolver().add(window, message, false);
  resolver().finish(handle, status, buffer, length);
  return handle;
}

const char* protocolOrNull(const char* protocol) {
  return protocol != nullptr && *protocol != '\0' ? protocol : nullptr;
}

int copyHost(const hostent* found, int status, int hostError, HostEntry* entry) {
  if (status == ERANGE) return kWsaENoBufs;
  if (found == nullptr) return hostErrorCode(hostError);
  alignas(16) char buffer[kLookupBufferSize];
  int length = 0;
  const int packed = packHost(*found, buffer, &length);
  if (packed != 0) return packed;
  return readHostEntry(buffer, length, entry) ? 0 : kWsaNoRecovery;
}

}  // namespace

LookupHandle startHostByName(WindowHandle window, uint32_t message, const char* name, int* error) {
  return startHost(window, message, error, [name](ares_channel channel, LookupHandle handle) {
    ares_gethostbyname(channel, name, AF_INET, onHostAnswer, reinterpret_cast<void*>(handle));
  });
}

LookupHandle startHostByAddress(WindowHandle window, uint32_t message, uint32_t address,
                                int* error) {
  return startHost(window, message, error, [&address](ares_channel channel, LookupHandle handle) {
    ares_gethostbyaddr(channel, &address, sizeof address, AF_INET, onAddressAnswer,
                       reinterpret_cast<void*>(handle));
  });
}

LookupHandle startServiceByName(WindowHandle window, uint32_t message, const char* name,
                                const char* protocol, int* error) {
  servent storage{};
  servent* found = nullptr;
  char scratch[kLookupBufferSize];
  const int status =
      getservbyname_r(name, protocolOrNull(protocol), &storage, scratch, sizeof scratch, &found);
  return finishService(window, message, error, status, found);
}

LookupHandle startServiceByPort(WindowHandle window, uint32_t message, uint16_t portNetworkOrder,
                                const char* protocol, int* error) {
  servent storage{};
  servent* found = nullptr;
  char scratch[kLookupBufferSize];
  const int status = getservbyport_r(portNetworkOrder, protocolOrNull(protocol), &storage, scratch,
                                     sizeof scratch, &found);
  return finishService(window, message, error, status, found);
}

int cancelLookup(LookupHandle handle) { return resolver().cancel(handle); }

bool takeLookupResult(LookupHandle handle, char* buffer) { return resolver().take(handle, buffer); }

bool readHostEntry(const char* buffer, int length, HostEntry* entry) {
  return lookup_entry::readHost<WinHostEnt>(buffer, length, entry);
}

bool readServiceEntry(const char* buffer, int length, ServiceEntry* entry) {
  return lookup_entry::readService<WinServEnt>(buffer, length, entry);
}

int lookupHostByName(const char* name, HostEntry* entry) {
  hostent storage{};
  hostent* found = nullptr;
  int hostError = 0;
  char scratch[8192];
  const int status = gethostbyname_r(name, &storage, scratch, sizeof scratch, &found, &hostError);
  return copyHost(found, status, hostError, entry);
}

int lookupHostByAddress(uint32_t address, HostEntry* entry) {
  hostent storage{};
  hostent* found = nullptr;
  int hostError = 0;
  char scratch[8192];
  const int status = gethostbyaddr_r(&address, sizeof address, AF_INET, &storage, scratch,
                                     sizeof scratch, &found, &hostError);
  return copyHost(found, status, hostError, entry);
}

bool setLookupServersForTesting(const std::string& servers) {
  testServers = servers;
  return true;
}

}  // namespace velmora::platform
