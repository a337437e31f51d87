#ifndef TAVRO_PLATFORM_ASYNC_LOOKUP_H_
#define TAVRO_PLATFORM_ASYNC_LOOKUP_H_

// Winsock's asynchronous host and service lookups (WSAAsyncGetHostByName and
// friends). A finished lookup is reported with a message to the given window:
// wParam = the request handle, lParam = (error << 16) | entry length. The
// entry itself stays with this layer until takeLookupResult copies it into
// the caller's buffer, so that a cancelled request can never write into
// memory its caller has handed to another request.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/socket.h"

namespace velmora::platform {

/// MAXGETHOSTSTRUCT: the size of one result buffer.
constexpr int kLookupBufferSize = 1024;

/// A request handle; 0 is never a valid one.
using LookupHandle = uintptr_t;

/// Each start call returns a handle, or 0 with the Winsock code in `error`.
LookupHandle startHostByName(WindowHandle window, uint32_t message, const char* name, int* error);
/// `address` is an IPv4 address in network byte order.
LookupHandle startHostByAddress(WindowHandle window, uint32_t message, uint32_t address,
                                int* error);
/// `protocol` may be null for any protocol.
LookupHandle startServiceByName(WindowHandle window, uint32_t message, const char* name,
                                const char* protocol, int* error);
/// `portNetworkOrder` is the port as it goes on the wire.
LookupHandle startServiceByPort(WindowHandle window, uint32_t message, uint16_t portNetworkOrder,
                                const char* protocol, int* error);

/// WSACancelAsyncRequest: 0, 10022 for an unknown handle, 10037 when the
/// request has already finished. No message follows a successful cancel.
int cancelLookup(LookupHandle handle);

/// Copies the finished entry of `handle` (at most kLookupBufferSize bytes)
/// into `buffer` and forgets the request. False when the handle names no
/// finished request, e.g. after it was cancelled; `buffer` is then untouched.
bool takeLookupResult(LookupHandle handle, char* buffer);

/// A host entry read back from a result buffer.
struct HostEntry {
  std::string name;
  std::vector<std::string> aliases;
  std::vector<std::string> addresses;  // dotted IPv4 texts, answer order
};

/// A service entry read back from a result buffer.
struct ServiceEntry {
  std::string name;
  std::vector<std::string> aliases;
  uint16_t portNetworkOrder = 0;
  std::string protocol;
};

/// Read an entry of `length` bytes that takeLookupResult placed in `buffer`;
/// false when it is malformed (a pointer or text outside the buffer).
bool readHostEntry(const char* buffer, int length, HostEntry* entry);
bool readServiceEntry(const char* buffer, int length, ServiceEntry* entry);

/// gethostbyname / gethostbyaddr: 0, or the Winsock code of the failure.
int lookupHostByName(const char* name, HostEntry* entry);
int lookupHostByAddress(uint32_t address, HostEntry* entry);

/// Test hook: host lookups started from now on ask these servers
/// ("127.0.0.1:5353", comma separated) instead of the system's; empty
/// restores them. Only the POSIX backend can do this; false elsewhere.
bool setLookupServersForTesting(const std::string& servers);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_ASYNC_LOOKUP_H_
