#ifndef TAVRO_PLATFORM_SOCKET_EVENTS_POSIX_H_
#define TAVRO_PLATFORM_SOCKET_EVENTS_POSIX_H_

// Between the POSIX socket wrappers and the message loop: the socket calls
// tell the loop what Winsock would have noticed, so that the loop can post
// WSAAsyncSelect notifications by the same rules.

#include <cstdint>

#include "platform/event_loop.h"
#include "platform/system_error_posix.h"

namespace velmora::platform {

int registerAsyncSelect(int fd, WindowHandle window, uint32_t message, long mask);
void noteConnectStarted(int fd);
void noteReceiveCalled(int fd);
/// A receive or send found the connection reset. The call took the socket's
/// pending error with it, so the close that follows would otherwise be
/// reported as graceful, where Winsock reports it as a reset.
void noteConnectionReset(int fd);
void noteSendWouldBlock(int fd);
/// Forgets the socket and drops its notifications still in the queue, so a
/// new socket that reuses the descriptor never sees them.
void noteSocketClosed(int fd);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SOCKET_EVENTS_POSIX_H_
