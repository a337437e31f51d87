#include <windows.h>

#include "platform/console_control.h"

#include <atomic>

namespace velmora::platform {

namespace {

std::atomic<ConsoleCtrlHandler> installedHandler{nullptr};

// The system calls handlers with the WINAPI convention, which differs from
// the default one on 32-bit Windows, so our handler is reached through this.
BOOL WINAPI trampoline(DWORD ctrlType) {
  ConsoleCtrlHandler handler = installedHandler.load();
  return handler != nullptr && handler(ctrlType) ? TRUE : FALSE;
}

}  // namespace

bool setConsoleCtrlHandler(ConsoleCtrlHandler handler) {
  installedHandler.store(handler);
  return SetConsoleCtrlHandler(trampoline, TRUE) != FALSE;
}

}  // namespace velmora::platform
