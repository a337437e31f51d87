#include "platform/console_control.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "platform/ticks.h"

namespace velmora::platform {
namespace {

std::atomic<int> lastEvent{-1};
std::atomic<int> eventCount{0};

bool recordEvent(uint32_t ctrlType) {
  lastEvent = static_cast<int>(ctrlType);
  ++eventCount;
  return true;
}

// Puts the process's own signal dispositions back after each test.
class ConsoleControl : public testing::Test {
 protected:
  void SetUp() override {
    sigaction(SIGINT, nullptr, &savedInterrupt_);
    sigaction(SIGQUIT, nullptr, &savedQuit_);
    lastEvent = -1;
    eventCount = 0;
    ASSERT_TRUE(setConsoleCtrlHandler(recordEvent));
  }
  void TearDown() override {
    sigaction(SIGINT, &savedInterrupt_, nullptr);
    sigaction(SIGQUIT, &savedQuit_, nullptr);
  }

 private:
  struct sigaction savedInterrupt_ {};
  struct sigaction savedQuit_ {};
};

TEST_F(ConsoleControl, InterruptIsControlCAndQuitIsBreak) {
  std::raise(SIGINT);
  EXPECT_EQ(lastEvent, static_cast<int>(kCtrlCEvent));
  std::raise(SIGQUIT);
  EXPECT_EQ(lastEvent, static_cast<int>(kCtrlBreakEvent));
  EXPECT_EQ(eventCount, 2);
}

TEST_F(ConsoleControl, SignalDuringSleepDoesNotShortenIt) {
  const pthread_t sleeper = pthread_self();
  std::thread interrupter([sleeper] {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    pthread_kill(sleeper, SIGINT);
  });
  const uint32_t before = tickCount();
  sleepMs(200);
  const uint32_t elapsed = tickCount() - before;
  interrupter.join();
  EXPECT_EQ(eventCount, 1);
  EXPECT_GE(elapsed, 199u);
}

}  // namespace
}  // namespace velmora::platform
