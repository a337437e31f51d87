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

}  // namespace

// A values file as found on disk (anyone may have edited it): accepted files
// survive a write and re-read unchanged, and key names survive encoding.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<hive::Value> values;
  std::string error;
  if (hive::parseValues(text, &values, &error)) {
    std::vector<hive::Value> again;
    if (!hive::parseValues(hive::formatValues(values), &again, &error)) std::abort();
    if (!sameValues(values, again)) std::abort();
  }

  std::string name;
  // The empty name is no key of its own, so it has no directory name.
  if (!text.empty() && (!hive::decodeKeyName(hive::encodeKeyName(text), &name) || name != text)) {
    std::abort();
  }
  hive::decodeKeyName(text, &name);
  return 0;
}
