#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "platform/async_lookup.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/lookup_entry.h"
#include "platform/sockaddr_convert.h"

namespace velmora::platform {
namespace {

// Winsock writes the entry into our buffer from a thread of its own, until
// it posts the message. A request is therefore given a buffer of this layer,
// never its caller's, and a cancelled request keeps that buffer until its
// late message is taken: some Winsock versions cannot stop a lookup that is
// under way, and it must not write into memory that was handed on.
struct Request {
  std::unique_ptr<char[]> buffer;
  bool host = false;
  bool cancelled = false;
};

std::mutex requestsLock;
std::map<LookupHandle, Request>& requests() {
  static std::map<LookupHandle, Request> instance;
  return instance;
}

template <typename Start>
LookupHandle start(bool host, int* error, Start startCall) {
  auto buffer = std::make_unique<char[]>(kLookupBufferSize);
  std::lock_guard<std::mutex> lock(requestsLock);
  // The lock is held across the call so that a handle is known here before
  // anyone can try to take its answer.
  HANDLE handle = startCall(buffer.get());
  if (handle == nullptr) {
    *error = WSAGetLastError();
    return 0;
  }
  const auto id = reinterpret_cast<LookupHandle>(handle);
  requests()[id] = Request{std::move(buffer), host, false};
  return id;
}

const char* protocolOrNull(const char* protocol) {
  return protocol != nullptr && *protocol != '\0' ? protocol : nullptr;
}

int copyHost(const hostent* found, HostEntry* entry) {
  if (found == nullptr) return WSAGetLastError();
  *entry = HostEntry();
  if (found->h_name != nullptr) entry->name = found->h_name;
  for (char** alias = found->h_aliases; alias != nullptr && *alias != nullptr; ++alias) {
    entry->aliases.push_back(*alias);
  }
  for (char** address = found->h_addr_list;
       found->h_length == 4 && address != nullptr && *address != nullptr; ++address) {
    uint32_t value = 0;
    std::memcpy(&value, *address, sizeof value);
    entry->addresses.push_back(inetNtoa(value));
  }
  return 0;
}

}  // namespace

LookupHandle startHostByName(WindowHandle window, uint32_t message, const char* name, int* error) {
  return start(true, error, [&](char* buffer) {
    return WSAAsyncGetHostByName(static_cast<HWND>(window), message, name, buffer,
                                 kLookupBufferSize);
  });
}

LookupHandle startHostByAddress(WindowHandle window, uint32_t message, uint32_t address,
                                int* error) {
  return start(true, error, [&](char* buffer) {
    return WSAAsyncGetHostByAddr(static_cast<HWND>(window), message,
                                 reinterpret_cast<const char*>(&address), sizeof address, AF_INET,
                                 buffer, kLookupBufferSize);
  });
}

LookupHandle startServiceByName(WindowHandle window, uint32_t message, const char* name,
                                const char* protocol, int* error) {
  return start(false, error, [&](char* buffer) {
    return WSAAsyncGetServByName(static_cast<HWND>(window), message, name, protocolOrNull(protocol),
                                 buffer, kLookupBufferSize);
  });
}

LookupHandle startServiceByPort(WindowHandle window, uint32_t message, uint16_t portNetworkOrder,
                                const char* protocol, int* error) {
  return start(false, error, [&](char* buffer) {
    return WSAAsyncGetServByPort(static_cast<HWND>(window), message, portNetworkOrder,
                                 protocolOrNull(protocol), buffer, kLookupBufferSize);
  });
}

int cancelLookup(LookupHandle handle) {
  std::lock_guard<std::mutex> lock(requestsLock);
  auto it = requests().find(handle);
  if (it == requests().end() || it->second.cancelled) return WSAEINVAL;
  it->second.cancelled = true;
  if (WSACancelAsyncRequest(reinterpret_cast<HANDLE>(handle)) != 0) return WSAGetLastError();
  return 0;
}

bool takeLookupResult(LookupHandle handle, char* buffer) {
  std::lock_guard<std::mutex> lock(requestsLock);
  auto it = requests().find(handle);
  if (it == requests().end()) return false;
  Request request = std::move(it->second);
  requests().erase(it);
  if (request.cancelled) return false;
  std::memcpy(buffer, request.buffer.get(), kLookupBufferSize);
  if (request.host) {
    lookup_entry::rebaseHost<hostent>(buffer, kLookupBufferSize, request.buffer.get());
  } else {
    lookup_entry::rebaseService<servent>(buffer, kLookupBufferSize, request.buffer.get());
  }
  return true;
}

bool readHostEntry(const char* buffer, int length, HostEntry* entry) {
  return lookup_entry::readHost<hostent>(buffer, length, entry);
}

bool readServiceEntry(const char* buffer, int length, ServiceEntry* entry) {
  return lookup_entry::readService<servent>(buffer, length, entry);
}

int lookupHostByName(const char* name, HostEntry* entry) {
  return copyHost(gethostbyname(name), entry);
}

int lookupHostByAddress(uint32_t address, HostEntry* entry) {
  return copyHost(gethostbyaddr(reinterpret_cast<const char*>(&address), sizeof address, AF_INET),
                  entry);
}

bool setLookupServersForTesting(const std::string&) { return false; }

}  // namespace velmora::platform
