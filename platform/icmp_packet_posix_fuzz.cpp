#include "platform/icmp_packet_posix.h"

#include <cstddef>
#include <cstdint>

#include "platform/icmp6_packet_posix.h"

// Feeds arbitrary bytes to the parsers of both IP versions; built with
// -fsanitize=fuzzer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace icmp = velmora::platform::icmp;
  namespace icmp6 = velmora::platform::icmp6;
  icmp::EchoKey key;
  key.destination = 0x0900007F;
  key.identifier = 0x1234;
  key.sequence = 0x0001;
  icmp::parseRawPacket(data, size, key);
  icmp::parseDatagramReply(data, size, key.destination, key);
  icmp::isOurRequest(data, size, key, true);
  icmp6::Echo6Key key6;
  key6.destination[15] = 1;
  key6.identifier = key.identifier;
  key6.sequence = key.sequence;
  icmp6::parsePacket(data, size, key6.destination, key6);
  icmp6::isErrorAboutOurRequest(data, size, key6.destination, key6);
  return 0;
}
