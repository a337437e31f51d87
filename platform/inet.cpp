#include "platform/inet.h"

namespace velmora::platform {

std::string inetNtoa(uint32_t address) {
  // The address is in network order: its first byte in memory is the first
  // group, whatever the host's byte order.
  const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += '.';
    text += std::to_string(static_cast<unsigned>(bytes[i]));
  }
  return text;
}

}  // namespace velmora::platform
