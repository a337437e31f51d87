#include "platform/icmp_packet_posix.h"

#include <cstddef>
#include <cstdint>

// Feeds arbitrary bytes to both parsers; built with -fsanitize=fuzzer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  velmora::platform::icmp::EchoKey key;
  key.destination = 0x0900007F;
  key.identifier = 0x1234;
  key.sequence = 0x0001;
  velmora::platform::icmp::parseRawPacket(data, size, key);
  velmora::platform::icmp::parseDatagramReply(data, size, key.destination, key);
  velmora::platform::icmp::isOurRequest(data, size, key, true);
  return 0;
}
