#include "platform/poll_source_posix.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/event_loop.h"
#include "platform/ticks.h"

namespace velmora::platform {
namespace {

// A pipe watched through the hook, as the resolver's sockets will be.
class PipeSource : public PollSource {
 public:
  int fds[2] = {-1, -1};
  int readyCount = 0;
  PipeSource() { EXPECT_EQ(::pipe(fds), 0); }
  ~PipeSource() {
    ::close(fds[0]);
    ::close(fds[1]);
  }
  void addDescriptors(std::vector<pollfd>* entries, uint32_t*) override {
    entries->push_back(pollfd{fds[0], POLLIN, 0});
  }
  void onPolled(const pollfd* entries, size_t count) override {
    ASSERT_EQ(count, 1u);
    if (entries[0].revents & POLLIN) ++readyCount;
  }
};

TEST(PollSource, ReadinessWakesTheWaitAtOnce) {
  PipeSource source;
  addPollSource(&source);
  ASSERT_EQ(::write(source.fds[1], "x", 1), 1);
  uint32_t start = tickCount();
  waitForInput(2000);
  EXPECT_LT(tickCount() - start, 100u);
  EXPECT_EQ(source.readyCount, 1);
  removePollSource(&source);
  waitForInput(1);
  EXPECT_EQ(source.readyCount, 1);
}

TEST(PollSource, TimerOnlySourcesShortenTheWait) {
  struct Timer : PollSource {
    int polled = 0;
    void addDescriptors(std::vector<pollfd>*, uint32_t* waitMillis) override {
      if (*waitMillis > 10) *waitMillis = 10;
    }
    void onPolled(const pollfd*, size_t count) override {
      EXPECT_EQ(count, 0u);
      ++polled;
    }
  } timer;
  addPollSource(&timer);
  uint32_t start = tickCount();
  waitForInput(2000);
  EXPECT_LT(tickCount() - start, 500u);
  EXPECT_EQ(timer.polled, 1);
  removePollSource(&timer);
}

}  // namespace
}  // namespace velmora::platform
