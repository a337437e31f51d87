// Measures the socket event engine: the CPU cost of an idle wait, how soon a
// readable socket is dispatched, and how late a deadline is noticed.
// Loopback only. Run: build/bench/bench/event_engine_bench

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

#include "components/frame/flat_api.h"
#include "components/frame/frame_component.h"
#include "components/ipport/ipport_ids.h"
#include "platform/event_loop.h"
#include "platform/inet.h"
#include "platform/socket.h"

namespace {

using Clock = std::chrono::steady_clock;
using velmora::components::ComponentKind;
namespace platform = velmora::platform;
namespace ipport = velmora::components::ipport;

constexpr uint32_t kNotify = platform::kWmUser + 101;

double micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

void idleWait(void* port) {
  std::clock_t cpuStart = std::clock();
  Clock::time_point start = Clock::now();
  while (Clock::now() - start < std::chrono::seconds(2)) {
    IPPort_Do(port, ipport::kDoEvents, 0, nullptr, nullptr);
  }
  double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  std::printf("idle wait 2 s: %.2f ms CPU (clock(); target < 10 ms)\n", cpuMs);
}

struct ReadTimer : platform::WindowHandler {
  platform::WindowHandle window = nullptr;
  std::atomic<int64_t> sentAt{0};
  std::vector<double> latencies;
  intptr_t handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    if (message != kNotify || platform::selectEvent(lParam) != platform::kFdRead) return 0;
    latencies.push_back(micros(Clock::now().time_since_epoch()) - static_cast<double>(sentAt));
    char buffer[16];
    int got = 0;
    platform::recvSocket(static_cast<platform::SocketHandle>(wParam), buffer, sizeof(buffer), &got);
    return 0;
  }
  platform::WindowHandle boundWindow() const override { return window; }
};

void readLatency(void* port) {
  using namespace platform;
  SocketHandle listener, client, server;
  createStreamSocket(kFamilyIPv4, &listener);
  bindSocket(listener, ipv4Address(inetAddr("127.0.0.1"), 0));
  listenSocket(listener, 1);
  SocketAddress bound;
  localAddress(listener, &bound);
  ReadTimer timer;
  timer.window = createHiddenWindow(&timer);
  createStreamSocket(kFamilyIPv4, &client);
  asyncSelect(client, timer.window, kNotify, kFdRead);
  connectSocket(client, ipv4Address(inetAddr("127.0.0.1"), bound.port));
  acceptSocket(listener, &server, nullptr);
  constexpr int kRounds = 50;
  std::thread sender([&] {
    for (int i = 0; i < kRounds; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(7));
      timer.sentAt = static_cast<int64_t>(micros(Clock::now().time_since_epoch()));
      int sent = 0;
      sendSocket(server, "x", 1, &sent);
    }
  });
  Clock::time_point start = Clock::now();
  while (timer.latencies.size() < static_cast<size_t>(kRounds) &&
         Clock::now() - start < std::chrono::seconds(5)) {
    IPPort_Do(port, ipport::kDoEvents, 0, nullptr, nullptr);
  }
  sender.join();
  std::sort(timer.latencies.begin(), timer.latencies.end());
  if (!timer.latencies.empty()) {
    std::printf(
        "readable socket dispatched: median %.0f us, max %.0f us over %zu (target < 1000 us)\n",
        timer.latencies[timer.latencies.size() / 2], timer.latencies.back(),
        timer.latencies.size());
  }
  destroyHiddenWindow(timer.window);
  closeSocket(client);
  closeSocket(server);
  closeSocket(listener);
}

struct Blocker : velmora::components::FrameComponent {
  Blocker() : FrameComponent(true) {}
  int block() {
    armDeadline();
    return runWaitSteps([] { return false; });
  }
};

void deadlineOverrun() {
  Blocker blocker;
  std::string answer;
  blocker.configure(velmora::components::parseConfigSetting("TimeoutInMilliseconds=True"), &answer);
  blocker.setTimeoutProperty(100);
  double worst = 0;
  for (int i = 0; i < 10; ++i) {
    Clock::time_point start = Clock::now();
    blocker.block();
    worst = std::max(worst, micros(Clock::now() - start) / 1000.0 - 100.0);
  }
  std::printf("deadline of 100 ms noticed at most %.1f ms late (SelectWaitMillis %d)\n", worst,
              blocker.selectWaitMillis());
}

}  // namespace

int main() {
  IPPort_StaticInit(nullptr);
  void* port = velmora::components::flatCreateWith(&velmora::components::createFrameIpPort, nullptr,
                                                   nullptr);
  idleWait(port);
  readLatency(port);
  deadlineOverrun();
  IPPort_Destroy(port);
  IPPort_StaticDestroy();
  return 0;
}
