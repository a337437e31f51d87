#include "platform/console_output.h"

namespace velmora::platform {

void useBinaryConsoleStreams() {}

}  // namespace velmora::platform
