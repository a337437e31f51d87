#include "components/frame/socket_component.h"

#include <gtest/gtest.h>

#include "components/frame/component_test_support.h"
#include "components/frame/frame_component.h"
#include "platform/event_loop.h"
#include "platform/ticks.h"

namespace velmora::components {
namespace {

using namespace velmora::components::testing;

struct Interrupter {
  void* handle = nullptr;
  int events = 0;
  static int VELMORA_CALL callback(void* context, int, int, void*[], int[]) {
    auto* self = static_cast<Interrupter*>(context);
    ++self->events;
    flatDo(self->handle, kInterrupt, 0, nullptr, nullptr);
    return 0;
  }
};

class WaitStep : public ::testing::Test {
 protected:
  void SetUp() override {
    flatStaticInit(ComponentKind::kIPPort, nullptr);
    handle_ = flatCreateWith(&createTestComponent, &Interrupter::callback, &interrupter_);
    interrupter_.handle = handle_;
    drainQueue();
  }
  void TearDown() override {
    flatDestroy(handle_);
    drainQueue();
    flatStaticDestroy(ComponentKind::kIPPort);
  }
  static void drainQueue() {
    platform::Message m;
    while (platform::peekMessage(&m)) {
    }
  }
  TestComponent* object() { return testObject(handle_); }
  int block() { return flatDo(handle_, kBlock, 0, nullptr, nullptr); }
  void timeoutMillis(int ms) {
    void* p[2] = {const_cast<char*>("TimeoutInMilliseconds=true"), nullptr};
    flatDo(handle_, kConfig, 2, p, nullptr);
    flatSet(handle_, kTimeout, 0, reinterpret_cast<void*>(static_cast<intptr_t>(ms)), 0);
  }

  void* handle_ = nullptr;
  Interrupter interrupter_;
};

TEST_F(WaitStep, DoEventsWithNothingPendingSleepsAboutOneStep) {
  uint32_t start = platform::tickCount();
  EXPECT_EQ(flatDo(handle_, kDoEvents, 0, nullptr, nullptr), 0);
  uint32_t elapsed = platform::tickCount() - start;
  EXPECT_GE(elapsed, 15u);
  EXPECT_LT(elapsed, 200u);
}

TEST_F(WaitStep, DeadlineEndsABlockingWaitWithTimeout) {
  timeoutMillis(250);
  uint32_t start = platform::tickCount();
  EXPECT_EQ(block(), 301);
  uint32_t elapsed = platform::tickCount() - start;
  EXPECT_STREQ(flatGetLastError(handle_), "Timeout.");
  EXPECT_GE(elapsed, 250u);
  EXPECT_LE(elapsed, 250u + 20u + 40u);  // one SelectWaitMillis plus scheduling slack
}

TEST_F(WaitStep, DoEventsStillWaitsOnceTheDeadlineHasPassed) {
  timeoutMillis(30);
  EXPECT_EQ(block(), 301);  // the deadline is now behind
  uint32_t start = platform::tickCount();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(flatDo(handle_, kDoEvents, 0, nullptr, nullptr), 0);
  EXPECT_GE(platform::tickCount() - start, 45u);  // three steps of about 20 ms, not none
}

TEST_F(WaitStep, InterruptFromAnEventHandlerEndsTheWait) {
  timeoutMillis(5000);
  ASSERT_TRUE(platform::postMessage(object()->window(), kRaiseMessage, 1, 0));
  uint32_t start = platform::tickCount();
  EXPECT_EQ(block(), 301);
  EXPECT_LT(platform::tickCount() - start, 1000u);
  EXPECT_EQ(interrupter_.events, 1);
  EXPECT_STREQ(flatGetLastError(handle_), "Interrupted.");
}

TEST_F(WaitStep, StaleInterruptIsDroppedWhenABlockingCallStarts) {
  timeoutMillis(60);
  flatDo(handle_, kInterrupt, 0, nullptr, nullptr);
  EXPECT_EQ(block(), 301);
  EXPECT_STREQ(flatGetLastError(handle_), "Timeout.");
}

TEST_F(WaitStep, QuitEndsTheWaitAndStaysQueued) {
  timeoutMillis(5000);
  platform::postQuitMessage(7);
  EXPECT_EQ(block(), 301);
  EXPECT_STREQ(flatGetLastError(handle_), "Interrupted.");
  platform::Message m;
  ASSERT_TRUE(platform::peekMessage(&m));
  EXPECT_EQ(m.id, platform::kWmQuit);
  EXPECT_EQ(m.wParam, 7u);
}

TEST_F(WaitStep, CloseEndsTheWaitAndTheWindowIsGone) {
  timeoutMillis(5000);
  ASSERT_TRUE(platform::postMessage(object()->window(), platform::kWmClose, 0, 0));
  EXPECT_EQ(block(), 301);
  EXPECT_STREQ(flatGetLastError(handle_), "Interrupted.");
  EXPECT_FALSE(platform::isWindow(object()->window()));
  EXPECT_EQ(block(), 301);  // every later wait ends at once
}

TEST_F(WaitStep, IgnoredExternalEventsAreNotHandledOutsideAWait) {
  object()->setMessageText("");
  void* p[2] = {const_cast<char*>("IgnoreExternalEvents=true"), nullptr};
  flatDo(handle_, kConfig, 2, p, nullptr);
  EXPECT_EQ(object()->SocketComponent::handleWindowMessage(platform::kWmClose, 0, 0), 0);
  EXPECT_TRUE(platform::isWindow(object()->window()));
}

TEST(FrameStatics, WindowClassOutlivesTheOtherComponentsCleanUp) {
  flatStaticInit(ComponentKind::kIPPort, nullptr);
  flatStaticInit(ComponentKind::kIPInfo, nullptr);
  flatStaticDestroy(ComponentKind::kIPInfo);
  void* handle = flatCreateWith(&createTestComponent, nullptr, nullptr);
  EXPECT_TRUE(platform::isWindow(testObject(handle)->window()));
  flatDestroy(handle);
  flatStaticDestroy(ComponentKind::kIPPort);
}

TEST(FrameStatics, FrameObjectsServeTheCommonSurfaceUntilComponentsRegister) {
  IPPort_StaticInit(nullptr);
  void* port = flatCreateWith(&createFrameIpPort, nullptr, nullptr);
  EXPECT_EQ(IPPort_Set(port, 19, 0, reinterpret_cast<void*>(5), 0), 0);
  EXPECT_EQ(reinterpret_cast<intptr_t>(IPPort_Get(port, 19, 0, nullptr)), 5);
  EXPECT_STREQ(static_cast<const char*>(IPPort_Get(port, 0, 0, nullptr)), kComponentVersionTag);
  EXPECT_EQ(IPPort_Set(port, 0, 0, "x", 0), -1);
  IPPort_Destroy(port);
  void* info = flatCreateWith(&createFrameIpInfo, nullptr, nullptr);
  EXPECT_EQ(IPInfo_Set(info, 19, 0, reinterpret_cast<void*>(5), 0), -1);
  IPInfo_Destroy(info);
  IPPort_StaticDestroy();
}

}  // namespace
}  // namespace velmora::components
