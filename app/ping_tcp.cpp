#include <cstdint>

#include "app/pinger.h"
#include "components/ipport/ipport_ids.h"
#include "platform/ticks.h"
#include "velmora_components.h"

namespace {

namespace ipport = velmora::components::ipport;

void* wordOf(intptr_t value) { return reinterpret_cast<void*>(value); }

// One component object for the duration of a probe.
class TcpProbeConnection {
 public:
  explicit TcpProbeConnection(uint16_t timeoutSeconds) : handle_(IPPort_Create(nullptr, nullptr)) {
    // Integer values travel as the pointer-sized word itself.
    if (handle_) IPPort_Set(handle_, ipport::kTimeout, 0, wordOf(timeoutSeconds), 0);
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

}  // namespace

bool Pinger::pingTcp() {
  TcpProbeConnection connection(tcpTimeout);
  replyText.clear();
  const uint32_t t0 = velmora::platform::tickCount();
  const int result = connection.connect(address_, port);
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
