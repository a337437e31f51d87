#include "support/text_utils.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// Input: one byte giving the delimiter length (1..4), the delimiter, then the
// text. A split never hands out an empty part, and the tokenizer ends.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t delimiterLength = 1 + data[0] % 4;
  if (size < 1 + delimiterLength) return 0;
  const std::string delimiter(reinterpret_cast<const char*>(data + 1), delimiterLength);
  const std::string text(reinterpret_cast<const char*>(data + 1 + delimiterLength),
                         size - 1 - delimiterLength);

  for (const std::string& part : velmora::splitString(text, delimiter)) {
    if (part.empty()) std::abort();
  }
  velmora::StringTokenizer tokenizer(text, delimiter);
  size_t tokens = 0;
  while (tokenizer.next()) {
    if (++tokens > text.size() + 1) std::abort();  // must not loop forever
  }
  return 0;
}
