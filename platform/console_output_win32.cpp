#include "platform/console_output.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace velmora::platform {

void useBinaryConsoleStreams() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace velmora::platform
