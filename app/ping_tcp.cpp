#include <cstdint>

#include "app/pinger.h"
#include "components/ipport/ipport_ids.h"
#include "platform/host_address.h"
#include "platform/ticks.h"
#include "velmora_components.h"

namespace {

namespace ipport = velmora::components::ipport;

void* wordOf(intptr_t value) { return reinterpret_cast<void*>(value); }

// One component object for the duration of a probe.
class TcpProbeConnection {
 public:
  TcpProbeConnection(uint16_t timeoutSeconds, bool ipv6)
      : handle_(IPPort_Create(nullptr, nullptr)) {
    if (!handle_) return;
    // Integer values travel as the pointer-sized word itself.
    IPPort_Set(handle_, ipport::kTimeout, 0, wordOf(timeoutSeconds), 0);
    if (ipv6) {
      void* params[] = {const_cast<char*>("UseIPv6=True"), nullptr};
      IPPort_Do(handle_, ipport::kConfig, 2, params, nullptr);
    }
  }
  ~TcpProbeConnection() {
    if (handle_) IPPort_Destroy(handle_);
  }
  TcpProbeConnection(const TcpProbeConnection&) = delete;
  TcpProbeConnection& operator=(const TcpProbeConnection&) = delete;

  int connect(const std::string& address, uint16_t port) {
    if (!handle_) return -1;
    void* params[] = {const_cast<char*>(address.c_str()), wordOf(port)};
    int lengths[] = {0, 0};
    return IPPort_Do(handle_, ipport::kConnect, 2, params, lengths);
  }
  void disconnect() {
    if (handle_) IPPort_Do(handle_, ipport::kDisconnect, 0, nullptr, nullptr);
  }
  std::string lastError() const {
    const char* text = handle_ ? IPPort_GetLastError(handle_) : nullptr;
    return text ? text : "";
  }

 private:
  void* handle_;
};

// The address as the component reads it: it takes a zone only as a number,
// and a link-local address shown with its interface name would lose it.
std::string connectText(const std::string& address) {
  velmora::platform::SocketAddress parsed;
  if (address.find('%') == std::string::npos ||
      !velmora::platform::numericIPv6Address(address, &parsed)) {
    return address;
  }
  return address.substr(0, address.find('%')) + "%" + std::to_string(parsed.scopeId);
}

}  // namespace

bool Pinger::pingTcp() {
  TcpProbeConnection connection(tcpTimeout, resolvedToIPv6());
  const std::string target = connectText(address_);
  replyText.clear();
  const uint32_t t0 = velmora::platform::tickCount();
  const int result = connection.connect(target, port);
  const uint32_t t1 = velmora::platform::tickCount();
  if (result == 0) {
    results.push_back(PingResult{true, t1 - t0});
    connection.disconnect();
    replyText = "TCP Port " + std::to_string(port) + " is open";
    status = 0;
  } else {
    results.push_back(PingResult{false, 0});
    replyText = connection.lastError();
    if (replyText.empty()) replyText = "Unable to connect to TCP Port: " + std::to_string(port);
    status = kGeneralFailure;
  }
  return true;
}
