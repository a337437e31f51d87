#include "platform/event_loop.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <deque>
#include <map>
#include <vector>

#include "platform/poll_source_posix.h"
#include "platform/socket.h"
#include "platform/socket_events_posix.h"

namespace velmora::platform {
namespace {

// Winsock's per-socket notification state for one WSAAsyncSelect
// registration: which one-shot events are still owed and which are armed.
struct SelectState {
  WindowHandle window = nullptr;
  uint32_t message = 0;
  long mask = 0;
  bool connecting = false;
  bool connected = false;
  bool readArmed = true;
  bool writeWanted = false;
  bool closed = false;  // FD_CLOSE posted, or the connect failed
  bool resetSeen = false;
};

// Each thread has its own queue and windows, as Windows gives each thread
// its own message queue; nothing here is shared between threads.
struct ThreadLoop {
  std::deque<Message> queue;
  bool quitPosted = false;
  int quitCode = 0;
  std::map<uintptr_t, WindowHandler*> windows;
  std::map<int, SelectState> sockets;
  std::vector<PollSource*> sources;
};

thread_local ThreadLoop tls;
std::atomic<bool> classRegistered{false};
std::atomic<uintptr_t> nextWindowId{1};

uintptr_t idOf(WindowHandle window) { return reinterpret_cast<uintptr_t>(window); }

void post(const SelectState& state, int fd, long event, int error) {
  if ((state.mask & event) == 0) return;
  tls.queue.push_back(Message{state.window, state.message, static_cast<uintptr_t>(fd),
                              makeSelectLParam(event, error)});
}

int pendingError(int fd) {
  int error = 0;
  socklen_t length = sizeof(error);
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) < 0) error = errno;
  return error == 0 ? 0 : winsockCodeFromErrno(error);
}

short wantedEvents(const SelectState& state) {
  if (state.mask == 0 || state.closed) return 0;
  if (state.connecting) return POLLOUT;
  if (!state.connected) return 0;
  short events = 0;
  if (state.readArmed) events |= POLLIN | POLLRDHUP;
  if (state.writeWanted) events |= POLLOUT;
  return events;
}

// WSAECONNRESET: only an established connection can be reset.
constexpr int kConnectionReset = 10054;

void onConnectReady(int fd, SelectState& state) {
  int error = pendingError(fd);
  state.connecting = false;
  if (error == kConnectionReset) {
    // The peer accepted and reset at once, before this poll saw the
    // connect complete: the connection did open, so it is reported as
    // opened and then as closed by the reset, as Winsock does.
    post(state, fd, kFdConnect, 0);
    state.connected = true;
    state.closed = true;
    post(state, fd, kFdClose, error);
    return;
  }
  post(state, fd, kFdConnect, error);
  if (error != 0) {
    state.closed = true;
    return;
  }
  state.connected = true;
  post(state, fd, kFdWrite, 0);
}

void onConnectedReady(int fd, SelectState& state, short revents) {
  if ((revents & POLLOUT) && state.writeWanted) {
    state.writeWanted = false;
    post(state, fd, kFdWrite, 0);
  }
  if (!(revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) || !state.readArmed) return;
  int available = 0;
  if (::ioctl(fd, FIONREAD, &available) == 0 && available > 0) {
    // Disarmed until the next receive call, whether or not FD_READ is wanted,
    // so unread data never makes the poll spin.
    state.readArmed = false;
    post(state, fd, kFdRead, 0);
    return;
  }
  // Readable with nothing to read: the end of the stream or a reset; FD_CLOSE
  // comes only now that every byte has been taken.
  state.closed = true;
  int error = pendingError(fd);
  post(state, fd, kFdClose, error == 0 && state.resetSeen ? kConnectionReset : error);
}

void handleSocketEvents(const std::vector<pollfd>& entries, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (entries[i].revents == 0) continue;
    auto it = tls.sockets.find(entries[i].fd);
    if (it == tls.sockets.end()) continue;
    if (it->second.connecting) {
      onConnectReady(entries[i].fd, it->second);
    } else {
      onConnectedReady(entries[i].fd, it->second, entries[i].revents);
    }
  }
}

// One poll() over the registered sockets and the poll sources; readiness
// becomes queued notifications. Returns at once for readiness, else after
// waitMillis.
void pollOnce(uint32_t waitMillis) {
  std::vector<pollfd> entries;
  for (const auto& [fd, state] : tls.sockets) {
    short events = wantedEvents(state);
    if (events != 0) entries.push_back(pollfd{fd, events, 0});
  }
  size_t socketCount = entries.size();
  std::vector<size_t> sourceStart;
  std::vector<PollSource*> sources = tls.sources;
  for (PollSource* source : sources) {
    sourceStart.push_back(entries.size());
    source->addDescriptors(&entries, &waitMillis);
  }
  int timeout = waitMillis > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(waitMillis);
  int rc = ::poll(entries.data(), entries.size(), timeout);
  if (rc < 0) {
    for (auto& entry : entries) entry.revents = 0;
  }
  handleSocketEvents(entries, socketCount);
  for (size_t i = 0; i < sources.size(); ++i) {
    size_t end = i + 1 < sources.size() ? sourceStart[i + 1] : entries.size();
    bool stillAdded =
        std::find(tls.sources.begin(), tls.sources.end(), sources[i]) != tls.sources.end();
    if (stillAdded) sources[i]->onPolled(entries.data() + sourceStart[i], end - sourceStart[i]);
  }
}

}  // namespace

bool registerWindowClass(void*) { return !classRegistered.exchange(true); }

void unregisterWindowClass() { classRegistered = false; }

WindowHandle createHiddenWindow(WindowHandler* handler) {
  if (!classRegistered) return nullptr;
  uintptr_t id = nextWindowId++;
  tls.windows[id] = handler;
  return reinterpret_cast<WindowHandle>(id);
}

void destroyHiddenWindow(WindowHandle window) { tls.windows.erase(idOf(window)); }

bool isWindow(WindowHandle window) {
  return window != nullptr && tls.windows.count(idOf(window)) != 0;
}

intptr_t defaultWindowProc(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
  // As DefWindowProcA does, a window that receives WM_CLOSE is destroyed.
  if (message == kWmClose) destroyHiddenWindow(window);
  return 0;
}

bool peekMessage(Message* message) {
  if (tls.queue.empty()) pollOnce(0);
  if (!tls.queue.empty()) {
    *message = tls.queue.front();
    tls.queue.pop_front();
    return true;
  }
  // WM_QUIT is only seen once nothing else is queued, as on Windows.
  if (tls.quitPosted) {
    tls.quitPosted = false;
    *message = Message{nullptr, kWmQuit, static_cast<uintptr_t>(tls.quitCode), 0};
    return true;
  }
  return false;
}

intptr_t dispatchMessage(const Message& message) {
  auto it = tls.windows.find(idOf(message.window));
  if (it == tls.windows.end() || it->second == nullptr) return 0;
  WindowHandler* handler = it->second;
  if (handler->boundWindow() != message.window) {
    return defaultWindowProc(message.window, message.id, message.wParam, message.lParam);
  }
  return handler->handleWindowMessage(message.id, message.wParam, message.lParam);
}

bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!isWindow(window)) return false;
  tls.queue.push_back(Message{window, message, wParam, lParam});
  return true;
}

void postQuitMessage(int exitCode) {
  tls.quitPosted = true;
  tls.quitCode = exitCode;
}

void waitForInput(uint32_t waitMillis) {
  if (!tls.queue.empty() || tls.quitPosted) return;
  pollOnce(waitMillis);
}

void addPollSource(PollSource* source) { tls.sources.push_back(source); }

void removePollSource(PollSource* source) {
  tls.sources.erase(std::remove(tls.sources.begin(), tls.sources.end(), source), tls.sources.end());
}

int registerAsyncSelect(int fd, WindowHandle window, uint32_t message, long mask) {
  SelectState& state = tls.sockets[fd];
  state.window = window;
  state.message = message;
  state.mask = mask;
  if (mask == 0 || state.connecting) return 0;
  sockaddr_storage peer{};
  socklen_t length = sizeof(peer);
  if (!state.connected && ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0) {
    state.connected = true;
  }
  // A connected socket gets FD_WRITE at registration when it can send.
  if (state.connected && !state.closed) state.writeWanted = true;
  return 0;
}

void noteConnectStarted(int fd) {
  SelectState& state = tls.sockets[fd];
  state.connecting = true;
  state.connected = false;
  state.closed = false;
  state.resetSeen = false;
}

void noteReceiveCalled(int fd) {
  auto it = tls.sockets.find(fd);
  if (it != tls.sockets.end()) it->second.readArmed = true;
}

void noteConnectionReset(int fd) {
  auto it = tls.sockets.find(fd);
  if (it != tls.sockets.end()) it->second.resetSeen = true;
}

void noteSendWouldBlock(int fd) {
  auto it = tls.sockets.find(fd);
  if (it != tls.sockets.end()) it->second.writeWanted = true;
}

void noteSocketClosed(int fd) {
  auto it = tls.sockets.find(fd);
  if (it == tls.sockets.end()) return;
  uint32_t message = it->second.message;
  tls.sockets.erase(it);
  auto stale = [&](const Message& m) {
    return m.id == message && m.wParam == static_cast<uintptr_t>(fd);
  };
  tls.queue.erase(std::remove_if(tls.queue.begin(), tls.queue.end(), stale), tls.queue.end());
}

}  // namespace velmora::platform
