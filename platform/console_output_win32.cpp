#include <windows.h>

#include "platform/console_output.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>

namespace velmora::platform {

namespace {

// The C runtime's errno loses the difference between a closed pipe and a
// full disk on some paths; the failed WriteFile's own code keeps it.
uint32_t outputFailure(DWORD systemError, int runtimeError) {
  switch (systemError) {
    case ERROR_NO_DATA:
    case ERROR_BROKEN_PIPE:
    case ERROR_PIPE_NOT_CONNECTED:  // what Wine reports for a closed pipe
      return kOutputPipeClosed;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return kOutputDiskFull;
  }
  if (runtimeError == EPIPE) return kOutputPipeClosed;
  if (runtimeError == ENOSPC) return kOutputDiskFull;
  return kOutputDeviceError;
}

}  // namespace

void useBinaryConsoleStreams() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool writeStandardOutput(const std::string& text, uint32_t* failure) {
  SetLastError(ERROR_SUCCESS);
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) {
    return true;
  }
  *failure = outputFailure(GetLastError(), errno);
  return false;
}

}  // namespace velmora::platform
