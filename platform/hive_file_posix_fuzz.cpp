#include "platform/hive_file_posix.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace hive = velmora::platform::hive;

namespace {

bool sameValues(const std::vector<hive::Value>& a, const std::vector<hive::Value>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data) return false;
  }
  return true;
}

// The same text fed in pieces of `piece` bytes, as a file is read.
bool parseInPieces(const std::string& text, size_t piece, std::vector<hive::Value>* values) {
  hive::ValueList list;
  hive::ValuesParser parser(&list, 0);
  std::string pending;
  for (size_t at = 0;; at += piece) {
    const bool atEnd = at >= text.size();
    if (!atEnd) pending += text.substr(at, piece);
    size_t used = 0;
    if (!parser.parse(pending, atEnd, &used)) return false;
    pending.erase(0, used);
    if (atEnd) break;
  }
  if (!parser.finish()) return false;
  *values = hive::copyValues(list);
  return true;
}

}  // namespace

// A values file as found on disk (anyone may have edited it): accepted files
// survive a write and re-read unchanged, and key names survive encoding.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<hive::Value> values;
  std::string error;
  const bool parsed = hive::parseValues(text, &values, &error);
  if (parsed) {
    std::vector<hive::Value> again;
    if (!hive::parseValues(hive::formatValues(values), &again, &error)) std::abort();
    if (!sameValues(values, again)) std::abort();
  }
  // Where a read cuts the text never changes what it says.
  std::vector<hive::Value> pieced;
  const size_t piece = size == 0 ? 1 : 1 + data[0] % 17;
  if (parseInPieces(text, piece, &pieced) != parsed) std::abort();
  if (parsed && !sameValues(values, pieced)) std::abort();

  std::string name;
  // The empty name is no key of its own, so it has no directory name.
  if (!text.empty() && (!hive::decodeKeyName(hive::encodeKeyName(text), &name) || name != text)) {
    std::abort();
  }
  hive::decodeKeyName(text, &name);
  return 0;
}
