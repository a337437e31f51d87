#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/inet.h"
#include "platform/socket.h"
#include "platform/ticks.h"

namespace velmora::platform {
namespace {

constexpr uint32_t kNotify = kWmUser + 101;

// A hidden window that records socket notifications and, when asked, reads
// everything on FD_READ the way a component's receive loop does.
class Recorder : public WindowHandler {
 public:
  struct Note {
    long event;
    int error;
  };
  std::vector<Note> notes;
  std::string received;
  bool readOnNotify = false;
  WindowHandle window = nullptr;

  intptr_t handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    if (message != kNotify) return defaultWindowProc(window, message, wParam, lParam);
    notes.push_back({selectEvent(lParam), selectError(lParam)});
    if (readOnNotify && selectEvent(lParam) == kFdRead) {
      char buffer[256];
      int got = 0;
      if (recvSocket(static_cast<SocketHandle>(wParam), buffer, sizeof(buffer), &got) == 0) {
        received.append(buffer, static_cast<size_t>(got));
      }
    }
    return 0;
  }
  WindowHandle boundWindow() const override { return window; }
  int count(long event) const {
    int n = 0;
    for (const Note& note : notes) n += note.event == event ? 1 : 0;
    return n;
  }
};

class EventEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    uint16_t granted = 0;
    socketsStartup(&granted);
    ownsClass_ = registerWindowClass(nullptr);
    recorder_.window = createHiddenWindow(&recorder_);
    ASSERT_NE(recorder_.window, nullptr);
  }
  void TearDown() override {
    for (SocketHandle s : {client_, server_, listener_}) {
      if (s != kInvalidSocket) closeSocket(s);
    }
    destroyHiddenWindow(recorder_.window);
    Message m;
    while (peekMessage(&m)) {
    }
    if (ownsClass_) unregisterWindowClass();
    socketsCleanup();
  }

  uint16_t listen() {
    EXPECT_EQ(createStreamSocket(kFamilyIPv4, &listener_), 0);
    EXPECT_EQ(bindSocket(listener_, ipv4Address(inetAddr("127.0.0.1"), 0)), 0);
    EXPECT_EQ(listenSocket(listener_, 4), 0);
    SocketAddress bound;
    EXPECT_EQ(localAddress(listener_, &bound), 0);
    return bound.port;
  }
  int startConnect(uint16_t port) {
    EXPECT_EQ(createStreamSocket(kFamilyIPv4, &client_), 0);
    EXPECT_EQ(asyncSelect(client_, recorder_.window, kNotify, 0x33), 0);
    return connectSocket(client_, ipv4Address(inetAddr("127.0.0.1"), port));
  }
  void connectPair() {
    uint16_t port = listen();
    int code = startConnect(port);
    ASSERT_TRUE(code == 0 || code == kWsaEWouldBlock) << code;
    ASSERT_TRUE(pumpUntil([&] { return recorder_.count(kFdConnect) == 1; }));
    ASSERT_EQ(acceptSocket(listener_, &server_, nullptr), 0);
  }
  // Dispatches messages until `done` holds or `limitMs` passes.
  template <typename Done>
  bool pumpUntil(Done done, uint32_t limitMs = 5000) {
    uint32_t start = tickCount();
    while (!done()) {
      if (tickCount() - start > limitMs) return false;
      pumpOnce(20);
    }
    return true;
  }
  void pumpFor(uint32_t ms) {
    pumpUntil([] { return false; }, ms);
  }
  void pumpOnce(uint32_t waitMs) {
    Message m;
    bool any = false;
    while (peekMessage(&m)) {
      dispatchMessage(m);
      any = true;
    }
    if (!any) waitForInput(waitMs);
  }
  void serverSend(const std::string& data) {
    int sent = 0;
    ASSERT_EQ(sendSocket(server_, data.data(), static_cast<int>(data.size()), &sent), 0);
    ASSERT_EQ(sent, static_cast<int>(data.size()));
  }

  bool ownsClass_ = false;
  Recorder recorder_;
  SocketHandle listener_ = kInvalidSocket;
  SocketHandle client_ = kInvalidSocket;
  SocketHandle server_ = kInvalidSocket;
};

TEST_F(EventEngine, ConnectToAListenerGivesConnectThenWrite) {
  connectPair();
  pumpUntil([&] { return recorder_.notes.size() >= 2; }, 1000);
  ASSERT_GE(recorder_.notes.size(), 2u);
  EXPECT_EQ(recorder_.notes[0].event, kFdConnect);
  EXPECT_EQ(recorder_.notes[0].error, 0);
  EXPECT_EQ(recorder_.notes[1].event, kFdWrite);
  pumpFor(100);
  EXPECT_EQ(recorder_.count(kFdConnect), 1);
  EXPECT_EQ(recorder_.count(kFdWrite), 1);
}

TEST_F(EventEngine, RefusedConnectReportsConnectOnceWith10061) {
  uint16_t port = listen();
  closeSocket(listener_);  // nothing listens on the port any more
  listener_ = kInvalidSocket;
  int code = startConnect(port);
  ASSERT_TRUE(code == 0 || code == kWsaEWouldBlock) << code;
  ASSERT_TRUE(pumpUntil([&] { return recorder_.count(kFdConnect) == 1; }));
  EXPECT_EQ(recorder_.notes[0].error, 10061);
  pumpFor(100);
  EXPECT_EQ(recorder_.notes.size(), 1u);
}

TEST_F(EventEngine, ReadIsPostedAgainOnlyAfterAReceiveCall) {
  connectPair();
  serverSend("hello");
  ASSERT_TRUE(pumpUntil([&] { return recorder_.count(kFdRead) == 1; }));
  pumpFor(100);
  EXPECT_EQ(recorder_.count(kFdRead), 1);  // no repeat while nobody reads
  char buffer[8];
  int got = 0;
  ASSERT_EQ(recvSocket(client_, buffer, 2, &got), 0);
  EXPECT_EQ(got, 2);
  ASSERT_TRUE(pumpUntil([&] { return recorder_.count(kFdRead) == 2; }, 1000));
  ASSERT_EQ(recvSocket(client_, buffer, sizeof(buffer), &got), 0);
  EXPECT_EQ(got, 3);
  pumpFor(100);
  EXPECT_EQ(recorder_.count(kFdRead), 2);  // nothing left, nothing posted
}

TEST_F(EventEngine, PeerCloseComesOnceAfterTheData) {
  connectPair();
  recorder_.readOnNotify = true;
  serverSend("bye");
  closeSocket(server_);
  server_ = kInvalidSocket;
  ASSERT_TRUE(pumpUntil([&] { return recorder_.count(kFdClose) == 1; }));
  pumpFor(100);
  EXPECT_EQ(recorder_.received, "bye");
  EXPECT_EQ(recorder_.count(kFdClose), 1);
  EXPECT_EQ(recorder_.notes.back().event, kFdClose);
  EXPECT_EQ(recorder_.notes.back().error, 0);
}

TEST_F(EventEngine, WriteIsPostedAgainAfterASendWouldBlock) {
  connectPair();
  ASSERT_TRUE(pumpUntil([&] { return recorder_.count(kFdWrite) == 1; }, 1000));
  std::string chunk(65536, 'x');
  int code = 0;
  for (int i = 0; i < 1000 && code == 0; ++i) {
    int sent = 0;
    code = sendSocket(client_, chunk.data(), static_cast<int>(chunk.size()), &sent);
  }
  ASSERT_EQ(code, kWsaEWouldBlock);
  pumpFor(50);
  EXPECT_EQ(recorder_.count(kFdWrite), 1);
  setNonBlocking(server_);
  ASSERT_TRUE(pumpUntil([&] {
    char sink[65536];
    int got = 0;
    recvSocket(server_, sink, sizeof(sink), &got);
    return recorder_.count(kFdWrite) == 2;
  }));
}

}  // namespace
}  // namespace velmora::platform
