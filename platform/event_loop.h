#ifndef TAVRO_PLATFORM_EVENT_LOOP_H_
#define TAVRO_PLATFORM_EVENT_LOOP_H_

#include <cstdint>

namespace velmora::platform {

/// Opaque handle of a hidden message window (an HWND on Windows, a window
/// number of the calling thread's own message queue on POSIX).
using WindowHandle = void*;

constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmQuit = 0x0012;
constexpr uint32_t kWmUser = 0x0400;

/// One message taken from the calling thread's queue.
struct Message {
  WindowHandle window = nullptr;
  uint32_t id = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

/// Receives the messages of a hidden window. The window procedure passes a
/// message on only while `boundWindow()` still names the receiving window, so
/// a handler that has let go of its window no longer sees its messages.
class WindowHandler {
 public:
  virtual intptr_t handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  virtual WindowHandle boundWindow() const = 0;

 protected:
  ~WindowHandler() = default;
};

/// Registers the hidden-window class "__vek_socket_wnd__" for the process.
/// False when it cannot be registered (for instance because it already is).
bool registerWindowClass(void* moduleInstance);
void unregisterWindowClass();

/// Creates a hidden window of that class on the calling thread and binds it
/// to `handler`; null when the class is not registered or creation fails.
WindowHandle createHiddenWindow(WindowHandler* handler);

/// Unbinds the handler first, so no message reaches it during destruction.
void destroyHiddenWindow(WindowHandle window);

/// IsWindow: the window exists (and, on POSIX, belongs to this thread).
bool isWindow(WindowHandle window);

/// DefWindowProcA for the messages a handler does not take itself.
intptr_t defaultWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam);

/// PeekMessageA(PM_REMOVE) for any window of the calling thread.
bool peekMessage(Message* message);

/// TranslateMessage and DispatchMessageA: calls the window's handler.
intptr_t dispatchMessage(const Message& message);

/// PostMessageA to a window of the calling thread's queue.
bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

/// PostQuitMessage: queues WM_QUIT with the exit code for the calling thread.
void postQuitMessage(int exitCode);

/// MsgWaitForMultipleObjects without handles, QS_ALLINPUT: sleeps up to
/// `waitMillis` and returns early as soon as input for the thread arrives
/// (on POSIX: a queued message, socket readiness or a poll source's event).
void waitForInput(uint32_t waitMillis);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_EVENT_LOOP_H_
