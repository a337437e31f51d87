#include "platform/console_output.h"

#include <cerrno>
#include <cstdio>

namespace velmora::platform {

void useBinaryConsoleStreams() {}

bool writeStandardOutput(const std::string& text, uint32_t* failure) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) {
    return true;
  }
  switch (errno) {
    case EPIPE:
      *failure = kOutputPipeClosed;
      break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      *failure = kOutputDiskFull;
      break;
    default:
      *failure = kOutputDeviceError;
  }
  return false;
}

}  // namespace velmora::platform
