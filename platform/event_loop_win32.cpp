#include <windows.h>

#include "platform/event_loop.h"

namespace velmora::platform {
namespace {

constexpr char kClassName[] = "__vek_socket_wnd__";
HINSTANCE moduleHandle = nullptr;

HWND hwndOf(WindowHandle window) { return static_cast<HWND>(window); }

WindowHandler* handlerOf(HWND hwnd) {
  return reinterpret_cast<WindowHandler*>(GetWindowLongPtrA(hwnd, 0));
}

LRESULT CALLBACK socketWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowHandler* handler = handlerOf(hwnd);
  if (handler != nullptr && handler->boundWindow() == hwnd) {
    return handler->handleWindowMessage(message, wParam, lParam);
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

bool registerWindowClass(void* moduleInstance) {
  // Without a module handle the class is registered for the executable.
  moduleHandle =
      moduleInstance ? static_cast<HINSTANCE>(moduleInstance) : GetModuleHandleA(nullptr);
  WNDCLASSA windowClass = {};
  windowClass.style = CS_GLOBALCLASS;
  windowClass.lpfnWndProc = socketWindowProc;
  windowClass.cbWndExtra = 12;
  windowClass.hInstance = moduleHandle;
  windowClass.lpszClassName = kClassName;
  return RegisterClassA(&windowClass) != 0;
}

void unregisterWindowClass() { UnregisterClassA(kClassName, moduleHandle); }

WindowHandle createHiddenWindow(WindowHandler* handler) {
  HWND hwnd =
      CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr, moduleHandle, nullptr);
  // Without a desktop (a service, or Wine with no display) only a
  // message-only window can be made; it receives everything the
  // components need.
  if (hwnd == nullptr) {
    hwnd = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, moduleHandle,
                           nullptr);
  }
  if (hwnd != nullptr) SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(handler));
  return hwnd;
}

void destroyHiddenWindow(WindowHandle window) {
  HWND hwnd = hwndOf(window);
  if (hwnd == nullptr || !IsWindow(hwnd)) return;
  SetWindowLongPtrA(hwnd, 0, 0);
  DestroyWindow(hwnd);
}

bool isWindow(WindowHandle window) {
  return window != nullptr && IsWindow(hwndOf(window)) != FALSE;
}

intptr_t defaultWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
  return DefWindowProcA(hwndOf(window), message, wParam, lParam);
}

bool peekMessage(Message* message) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  *message = Message{msg.hwnd, msg.message, msg.wParam, msg.lParam};
  return true;
}

intptr_t dispatchMessage(const Message& message) {
  MSG msg = {};
  msg.hwnd = hwndOf(message.window);
  msg.message = message.id;
  msg.wParam = message.wParam;
  msg.lParam = message.lParam;
  msg.time = GetMessageTime();
  TranslateMessage(&msg);
  return DispatchMessageA(&msg);
}

bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageA(hwndOf(window), message, wParam, lParam) != FALSE;
}

void postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

void waitForInput(uint32_t waitMillis) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMillis, QS_ALLINPUT);
}

}  // namespace velmora::platform
