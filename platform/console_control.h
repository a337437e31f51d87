#ifndef TAVRO_PLATFORM_CONSOLE_CONTROL_H_
#define TAVRO_PLATFORM_CONSOLE_CONTROL_H_

#include <cstdint>

namespace velmora::platform {

/// Console control event codes, as the system numbers them.
constexpr uint32_t kCtrlCEvent = 0;
constexpr uint32_t kCtrlBreakEvent = 1;

/// Returns true when it handled the event; false lets the system's default
/// handling end the process.
using ConsoleCtrlHandler = bool (*)(uint32_t ctrlType);

/// Installs `handler` for console control events (Control-C is event 0; on
/// POSIX SIGINT is event 0 and SIGQUIT, the Break key, event 1). The handler
/// may run on another thread or in a signal context: it may only set a flag.
bool setConsoleCtrlHandler(ConsoleCtrlHandler handler);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_CONSOLE_CONTROL_H_
