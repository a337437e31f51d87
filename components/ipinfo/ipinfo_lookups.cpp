#include <cctype>
#include <cstring>
#include <string>

#include "components/frame/winsock_text.h"
#include "components/ipinfo/ipinfo_client.h"
#include "components/ipinfo/ipinfo_formats.h"
#include "platform/host_address.h"
#include "platform/inet.h"

namespace velmora::components {
namespace {

constexpr uint32_t kAddressNone = 0xFFFFFFFF;
// The id RequestComplete carries for a blocking lookup; no queued request
// ever has it.
constexpr uintptr_t kBlockingRequestId = 0;

// A port as it goes on the wire, and back, whatever the host's byte order.
uint16_t toNetworkOrder(int port) {
  const unsigned char bytes[2] = {static_cast<unsigned char>((port >> 8) & 0xFF),
                                  static_cast<unsigned char>(port & 0xFF)};
  uint16_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

int toHostOrder(uint16_t networkOrder) {
  unsigned char bytes[2];
  std::memcpy(bytes, &networkOrder, sizeof bytes);
  return (bytes[0] << 8) | bytes[1];
}

int highWord(intptr_t lParam) { return static_cast<int>((lParam >> 16) & 0xFFFF); }

// Host names compare without case, and a trailing dot names the same host.
bool sameHostName(const std::string& a, const std::string& b) {
  auto bare = [](const std::string& name) {
    return !name.empty() && name.back() == '.' ? name.size() - 1 : name.size();
  };
  if (bare(a) != bare(b)) return false;
  for (size_t i = 0; i < bare(a); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

const char* protocolOrNull(const std::string& protocol) {
  return protocol.empty() ? nullptr : protocol.c_str();
}

}  // namespace

IpInfoClient::~IpInfoClient() { cancelFrom(0); }

void IpInfoClient::cancelFrom(int n) {
  clearMessage();
  queue_.truncate(n, [](uintptr_t handle) { platform::cancelLookup(handle); });
}

int IpInfoClient::setPendingRequests(int n) {
  clearMessage();
  // Only shrinking makes sense; anything else leaves the queue as it is.
  if (n >= 0 && n <= queue_.count()) cancelFrom(n);
  return 0;
}

int IpInfoClient::queueRequest(platform::LookupHandle handle, int bufferNumber, int error) {
  requestId_ = static_cast<intptr_t>(handle);
  if (handle == 0) return error;
  queue_.add(handle, bufferNumber);
  return 0;
}

int IpInfoClient::raiseRequestComplete(uintptr_t handle, int status) {
  const std::string description = status == 0 ? "OK" : describeWinsockError(status);
  raiseEvent(ipinfo::kEventRequestComplete,
             {EventArg::integerArg(static_cast<intptr_t>(handle)), EventArg::integerArg(status),
              EventArg::text(description.c_str())});
  return status;
}

int IpInfoClient::resolveIPv6(const std::string& text, bool canonical) {
  platform::SocketAddress address;
  std::string canonicalName;
  const int code =
      platform::resolveIPv6(text.c_str(), true, &address, canonical ? &canonicalName : nullptr);
  if (code != 0) {
    setMessageText(describeWinsockError(code));
    raiseEvent(ipinfo::kEventRequestComplete, {EventArg::integerArg(0), EventArg::integerArg(code),
                                               EventArg::text(messageText().c_str())});
    return code;
  }
  lookup_.hostAddress = platform::numericIPv6Text(address);
  if (address.scopeId != 0 && lookup_.hostAddress.find('%') == std::string::npos) {
    lookup_.hostAddress += "%" + std::to_string(address.scopeId);
  }
  if (canonical) lookup_.hostName = canonicalName;
  raiseEvent(ipinfo::kEventRequestComplete,
             {EventArg::integerArg(0), EventArg::integerArg(0), EventArg::text("")});
  return 0;
}

void IpInfoClient::applyHostEntry(const platform::HostEntry& entry) {
  lookup_.hostAddress = entry.addresses.empty() ? std::string() : entry.addresses.front();
  lookup_.hostName = entry.name;
  // A reverse answer lists every PTR name as an alias, the one that became
  // the host name too; an alias is another name, never the name itself.
  std::vector<std::string> aliases;
  for (const std::string& alias : entry.aliases) {
    if (!sameHostName(alias, entry.name)) aliases.push_back(alias);
  }
  lookup_.hostAliases = joinList(aliases);
  std::vector<std::string> others;
  for (const std::string& address : entry.addresses) {
    if (address != lookup_.hostAddress) others.push_back(address);
  }
  lookup_.otherAddresses = joinList(others);
}

int IpInfoClient::finishBlockingLookup(int status, const platform::HostEntry& entry) {
  if (status != 0) return status;
  applyHostEntry(entry);
  raiseRequestComplete(kBlockingRequestId, 0);
  return 0;
}

int IpInfoClient::resolveName(const std::string& name) {
  clearMessage();
  lookup_.hostAddress.clear();
  lookup_.otherAddresses.clear();
  lookup_.hostAliases.clear();
  lookup_.hostName = name;
  if (name.empty()) return 0;
  if (useIPv6()) return resolveIPv6(name, false);
  if (queue_.full()) return fail(kRequestQueueFull, "Request queue is full.");
  if (blockingResolve) {
    platform::HostEntry entry;
    return finishBlockingLookup(platform::lookupHostByName(name.c_str(), &entry), entry);
  }
  const int bufferNumber = queue_.freeBuffer();
  if (bufferNumber < 0) return fail(kOutOfMemory, "Out of memory.");
  int error = 0;
  const platform::LookupHandle handle =
      platform::startHostByName(window(), kHostLookupMessage, name.c_str(), &error);
  return queueRequest(handle, bufferNumber, error);
}

int IpInfoClient::resolveAddress(const std::string& text) {
  clearMessage();
  if (queue_.full()) return fail(kRequestQueueFull, "Request queue is full.");
  lookup_.hostAddress.clear();
  lookup_.otherAddresses.clear();
  lookup_.hostName.clear();
  lookup_.hostAliases.clear();
  if (text.empty()) return 0;
  if (useIPv6() || text.find(':') != std::string::npos) return resolveIPv6(text, true);
  const uint32_t address = platform::inetAddr(text.c_str());
  if (address == kAddressNone) {
    return fail(kBadHostAddress, "Could not resolve remote host: No such host is known.");
  }
  if (blockingResolve) {
    platform::HostEntry entry;
    return finishBlockingLookup(platform::lookupHostByAddress(address, &entry), entry);
  }
  const int bufferNumber = queue_.freeBuffer();
  if (bufferNumber < 0) return fail(kOutOfMemory, "Out of memory.");
  int error = 0;
  const platform::LookupHandle handle =
      platform::startHostByAddress(window(), kHostLookupMessage, address, &error);
  return queueRequest(handle, bufferNumber, error);
}

int IpInfoClient::lookupServiceByName(const std::string& name) {
  clearMessage();
  if (name.empty()) return 0;
  if (queue_.full()) return fail(kRequestQueueFull, "Request queue is full.");
  lookup_.serviceAliases.clear();
  lookup_.servicePort = 0;
  lookup_.serviceName = name;
  const int bufferNumber = queue_.freeBuffer();
  if (bufferNumber < 0) return fail(kOutOfMemory, "Out of memory.");
  int error = 0;
  const platform::LookupHandle handle =
      platform::startServiceByName(window(), kServiceLookupMessage, name.c_str(),
                                   protocolOrNull(lookup_.serviceProtocol), &error);
  return queueRequest(handle, bufferNumber, error);
}

int IpInfoClient::lookupServiceByPort(int port) {
  clearMessage();
  if (queue_.full()) return fail(kRequestQueueFull, "Request queue is full.");
  lookup_.serviceName.clear();
  lookup_.serviceAliases.clear();
  const uint16_t networkOrder = toNetworkOrder(port);
  lookup_.servicePort = networkOrder;
  if (port == 0) return 0;
  const int bufferNumber = queue_.freeBuffer();
  if (bufferNumber < 0) return fail(kOutOfMemory, "Out of memory.");
  int error = 0;
  const platform::LookupHandle handle =
      platform::startServiceByPort(window(), kServiceLookupMessage, networkOrder,
                                   protocolOrNull(lookup_.serviceProtocol), &error);
  return queueRequest(handle, bufferNumber, error);
}

void IpInfoClient::onHostLookupDone(uintptr_t handle, intptr_t lParam) {
  const int position = queue_.find(handle);
  const int error = highWord(lParam);
  char* buffer = queue_.buffer(queue_.bufferNumberAt(position));
  // Only now, with the request known to be queued, may its entry be copied
  // into the buffer that request owns.
  const bool taken = platform::takeLookupResult(handle, buffer);
  platform::HostEntry entry;
  if (error == 0 && taken && platform::readHostEntry(buffer, RequestQueue::kBufferSize, &entry)) {
    applyHostEntry(entry);
  }
  queue_.remove(position);
  raiseRequestComplete(handle, error);
}

void IpInfoClient::onServiceLookupDone(uintptr_t handle, intptr_t lParam) {
  const int position = queue_.find(handle);
  const int error = highWord(lParam);
  char* buffer = queue_.buffer(queue_.bufferNumberAt(position));
  const bool taken = platform::takeLookupResult(handle, buffer);
  platform::ServiceEntry entry;
  if (error == 0 && taken &&
      platform::readServiceEntry(buffer, RequestQueue::kBufferSize, &entry)) {
    lookup_.servicePort = toHostOrder(entry.portNetworkOrder);
    lookup_.serviceName = entry.name;
    lookup_.serviceProtocol.clear();
    lookup_.serviceAliases = joinList(entry.aliases);
  } else {
    lookup_.servicePort = toHostOrder(static_cast<uint16_t>(lookup_.servicePort));
  }
  queue_.remove(position);
  raiseRequestComplete(handle, error);
}

intptr_t IpInfoClient::handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kHostLookupMessage && message != kServiceLookupMessage) {
    return SocketComponent::handleWindowMessage(message, wParam, lParam);
  }
  if (queue_.find(wParam) < 0) {
    // The answer to a request cancelled too late: drop what the lookup
    // layer still holds for it, never into a buffer of the queue.
    char discard[platform::kLookupBufferSize];
    platform::takeLookupResult(wParam, discard);
    raiseEvent(ipinfo::kEventError, {EventArg::integerArg(kUnknownRequest),
                                     EventArg::text("Message for unknown request.")});
    return 0;
  }
  if (message == kHostLookupMessage) {
    onHostLookupDone(wParam, lParam);
  } else {
    onServiceLookupDone(wParam, lParam);
  }
  return 0;
}

}  // namespace velmora::components
