#include "platform/settings_file_posix.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace settings = velmora::platform::settings;

namespace {

bool sameSections(const std::vector<settings::Section>& a,
                  const std::vector<settings::Section>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].path != b[i].path || a[i].values.size() != b[i].values.size()) return false;
    for (size_t k = 0; k < a[i].values.size(); ++k) {
      const settings::Value& x = a[i].values[k];
      const settings::Value& y = b[i].values[k];
      if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
    }
  }
  return true;
}

}  // namespace

// A settings file as found on disk (the user may have edited it): an
// accepted file survives a write and a re-read unchanged, and the text
// written for it is accepted again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<settings::Section> sections, again;
  std::string error;
  if (!settings::parseSettings(text, &sections, &error)) {
    if (error.empty() || !sections.empty()) std::abort();
    return 0;
  }
  if (!settings::parseSettings(settings::formatSettings(sections), &again, &error)) std::abort();
  if (!sameSections(sections, again)) std::abort();
  for (const settings::Section& section : sections) {
    for (const std::string& name : section.path) {
      if (!settings::isKeyName(name)) std::abort();
    }
  }
  return 0;
}
