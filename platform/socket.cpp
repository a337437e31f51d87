#include "platform/socket.h"

#include <cstring>

namespace velmora::platform {

SocketAddress ipv4Address(uint32_t networkOrderAddress, uint16_t port) {
  SocketAddress result;
  result.family = kFamilyIPv4;
  std::memcpy(result.address, &networkOrderAddress, 4);
  result.port = port;
  return result;
}

uint32_t ipv4Of(const SocketAddress& address) {
  uint32_t result = 0;
  std::memcpy(&result, address.address, 4);
  return result;
}

}  // namespace velmora::platform
