#include "platform/console_control.h"

#include <atomic>
#include <csignal>

namespace velmora::platform {

namespace {

std::atomic<ConsoleCtrlHandler> installedHandler{nullptr};

void onSignal(int signalNumber) {
  const uint32_t event = signalNumber == SIGINT ? kCtrlCEvent : kCtrlBreakEvent;
  ConsoleCtrlHandler handler = installedHandler.load();
  if (handler != nullptr && handler(event)) return;
  // Not handled: behave as if no handler were there, as the console would.
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

bool installFor(int signalNumber) {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  // Restart plain blocking calls; the echo wait and sleepMs resume
  // after EINTR themselves, so a Control-C never cuts a probe short.
  action.sa_flags = SA_RESTART;
  return sigaction(signalNumber, &action, nullptr) == 0;
}

}  // namespace

bool setConsoleCtrlHandler(ConsoleCtrlHandler handler) {
  installedHandler.store(handler);
  const bool interrupt = installFor(SIGINT);
  const bool quit = installFor(SIGQUIT);
  return interrupt && quit;
}

}  // namespace velmora::platform
