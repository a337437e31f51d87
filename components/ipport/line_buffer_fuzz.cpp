#include "components/ipport/line_buffer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using velmora::components::LineBuffer;

namespace {

// Hands out lines the way the TCP client does: each followed by a NUL for
// the event, the whole unread rest once the buffer is full.
struct Reader {
  LineBuffer buffer;
  std::string delivered;  // lines with their terminators put back, rest as is

  void deliver(char* line, int length, bool terminated) {
    if (length < 0 || length > buffer.capacity()) std::abort();
    const std::string text(line, static_cast<size_t>(length));
    if (!buffer.crLfMode() && terminated && !buffer.terminator().empty() &&
        text.find(buffer.terminator()) != std::string::npos) {
      std::abort();
    }
    if (buffer.crLfMode() && text.find_first_of("\r\n") != std::string::npos) std::abort();
    line[length] = '\0';
    delivered += text;
    if (terminated) delivered += buffer.terminator();
  }

  void drain() {
    char* line = nullptr;
    int length = 0;
    while (buffer.nextLine(&line, &length)) deliver(line, length, !buffer.terminator().empty());
    if (buffer.freeSpace() == 0 && buffer.takeRest(&line, &length)) deliver(line, length, false);
  }
};

}  // namespace

// Input: a settings byte (bit 0 CR/LF mode, bits 1-2 terminator length),
// the terminator, two bytes of capacity, then chunks of one length byte and
// up to that many received bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  Reader reader;
  const bool crLf = data[0] & 1;
  const size_t terminatorLength = (data[0] >> 1) & 3;
  size_t at = 1;
  if (size < at + terminatorLength + 2) return 0;
  reader.buffer.setTerminator(
      std::string(reinterpret_cast<const char*>(data + at), terminatorLength));
  at += terminatorLength;
  reader.buffer.setCapacity((data[at] << 8 | data[at + 1]) % 300);
  at += 2;
  reader.buffer.setCrLfMode(crLf);

  std::string received;
  while (at < size) {
    size_t chunk = data[at++];
    chunk = std::min({chunk, size - at, static_cast<size_t>(reader.buffer.freeSpace())});
    std::copy(data + at, data + at + chunk, reader.buffer.writePointer());
    reader.buffer.commit(static_cast<int>(chunk));
    received.append(reinterpret_cast<const char*>(data + at), chunk);
    at += chunk;
    reader.drain();
  }
  char* rest = nullptr;
  int length = 0;
  if (reader.buffer.takeRest(&rest, &length)) reader.deliver(rest, length, false);
  // Outside CR/LF mode nothing is lost, duplicated or reordered.
  if (!crLf && reader.delivered != received) std::abort();
  return 0;
}
