#ifndef TAVRO_COMPONENTS_IPPORT_TCP_CLIENT_TEST_SUPPORT_H_
#define TAVRO_COMPONENTS_IPPORT_TCP_CLIENT_TEST_SUPPORT_H_

// The fixture of the TCP client's tests: an IPPort wrapper that records its
// events as text lines, and short forms of the flat calls.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/ipport/ipport.h"
#include "components/ipport/peer_test_support.h"
#include "platform/event_loop.h"
#include "platform/ticks.h"

namespace velmora::components::testing {

enum IpPortId {
  kReceiveEnabledId = 1,
  kBytesSentId,
  kConnectedId,
  kDataToSendId,
  kLineTerminatorId,
  kLocalHostId = 14,
  kLocalPortId,
  kRemoteHostId,
  kRemotePortId,
  kLineModeId,
  kTimeoutId,
  kConfigMethod = 2,
  kConnectMethod,
  kDisconnectMethod,
  kDoEventsMethod,
  kGetLineMethod,
  kInterruptMethod,
  kSendMethod,
  kSendFileMethod,
  kSendLineMethod,
};

class RecordingPort : public IPPort {
 public:
  std::vector<std::string> events;
  std::function<void(DataInEventParams*)> onDataIn;

  int FireConnected(ConnectedEventParams* e) override {
    return note("Connected " + std::to_string(e->statusCode) + " " + e->description);
  }
  int FireConnectionStatus(ConnectionStatusEventParams* e) override {
    return note(std::string("Status ") + e->connectionEvent + " " + std::to_string(e->statusCode) +
                " " + e->description);
  }
  int FireDataIn(DataInEventParams* e) override {
    note("DataIn " + std::string(e->text, static_cast<size_t>(e->lenText)) + " " +
         std::to_string(e->eol));
    if (onDataIn) onDataIn(e);
    return 0;
  }
  int FireDisconnected(DisconnectedEventParams* e) override {
    return note("Disconnected " + std::to_string(e->statusCode) + " " + e->description);
  }
  int FireError(ErrorEventParams* e) override {
    return note("Error " + std::to_string(e->errorCode) + " " + e->description);
  }
  int FireReadyToSend(ReadyToSendEventParams*) override { return note("ReadyToSend"); }

  /// The events without ReadyToSend, whose timing follows the socket.
  std::vector<std::string> significant() const {
    std::vector<std::string> out;
    for (const std::string& e : events) {
      if (e != "ReadyToSend") out.push_back(e);
    }
    return out;
  }

 private:
  int note(std::string text) {
    events.push_back(std::move(text));
    return 0;
  }
};

class TcpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    IPPort_StaticInit(nullptr);
    port_ = new RecordingPort();
    h_ = port_->handle();
    ASSERT_NE(h_, nullptr);
  }
  void TearDown() override {
    // The client goes first: a peer's script may be reading until it closes.
    delete port_;
    peers_.clear();
    platform::Message m;
    while (platform::peekMessage(&m)) {
    }
    IPPort_StaticDestroy();
  }

  static void* word(intptr_t value) { return reinterpret_cast<void*>(value); }
  int set(int id, intptr_t value) { return IPPort_Set(h_, id, 0, word(value), 0); }
  int setText(int id, const char* text) { return IPPort_Set(h_, id, 0, text, 0); }
  intptr_t get(int id) { return reinterpret_cast<intptr_t>(IPPort_Get(h_, id, 0, nullptr)); }
  std::string getText(int id) { return static_cast<const char*>(IPPort_Get(h_, id, 0, nullptr)); }
  int call(int id) { return IPPort_Do(h_, id, 0, nullptr, nullptr); }
  int callText(int id, const char* text) {
    void* p[] = {const_cast<char*>(text)};
    int l[] = {0};
    return IPPort_Do(h_, id, 1, p, l);
  }
  int sendBytes(const std::string& data) {
    void* p[] = {const_cast<char*>(data.data())};
    int l[] = {static_cast<int>(data.size())};
    return IPPort_Do(h_, kSendMethod, 1, p, l);
  }
  int connect(const char* host, int port) {
    void* p[] = {const_cast<char*>(host), word(port)};
    int l[] = {0, 0};
    return IPPort_Do(h_, kConnectMethod, 2, p, l);
  }
  int connectLoopback(int port) { return connect("127.0.0.1", port); }
  std::string config(const char* text, int* code = nullptr) {
    void* p[] = {const_cast<char*>(text), nullptr};
    int l[] = {0, 0};
    int rc = IPPort_Do(h_, kConfigMethod, 2, p, l);
    if (code) *code = rc;
    return p[1] ? static_cast<const char*>(p[1]) : "";
  }
  std::string lastError() { return IPPort_GetLastError(h_); }
  /// Runs DoEvents until `done` holds or about `limitMs` passed.
  bool pumpUntil(const std::function<bool()>& done, int limitMs = 3000) {
    uint32_t start = platform::tickCount();
    while (!done()) {
      if (platform::tickCount() - start > static_cast<uint32_t>(limitMs)) return false;
      call(kDoEventsMethod);
    }
    return true;
  }
  bool hasEvent(const std::string& text) const {
    for (const std::string& e : port_->events) {
      if (e == text) return true;
    }
    return false;
  }

  LoopbackPeer& makePeer(std::function<void(PeerSocket&)> script, int backlog = 8) {
    peers_.push_back(std::make_unique<LoopbackPeer>(std::move(script), backlog));
    return *peers_.back();
  }

  std::vector<std::unique_ptr<LoopbackPeer>> peers_;
  RecordingPort* port_ = nullptr;
  void* h_ = nullptr;
};

}  // namespace velmora::components::testing

#endif  // TAVRO_COMPONENTS_IPPORT_TCP_CLIENT_TEST_SUPPORT_H_
