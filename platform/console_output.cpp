#include "platform/console_output.h"

#include <cstdio>

namespace velmora::platform {

void writeStandardError(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace velmora::platform
