#ifndef TAVRO_PLATFORM_SETTINGS_FILE_POSIX_H_
#define TAVRO_PLATFORM_SETTINGS_FILE_POSIX_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::platform::settings {

/// Longest value name and key name the registry accepts.
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kMaxKeyNameLength = 255;

/// One registry value: the name as first written, the type number and the
/// raw data bytes.
struct Value {
  std::string name;
  uint32_t type = 0;
  std::string data;
};

/// One key and its values, in the order they were first written. `path`
/// names the key from its root down ("HKEY_CURRENT_USER", "Software", ...).
struct Section {
  std::vector<std::string> path;
  std::vector<Value> values;
};

/// Parses a settings file: a `[ROOT\Key\Subkey]` line opens the section of
/// a key, and each line after it is one value in .reg syntax
/// (`"name"=dword:0000000a`, `"name"="text"`, `"name"=hex:01,02`,
/// `"name"=hex(N):..` for any other type, `@` for the unnamed value). Blank
/// lines and lines starting with ';' are skipped; CR before LF is accepted.
/// Anything else fails the whole text, with `error` naming the first bad
/// line: a value outside a section, a control character, a bad escape, a
/// key or a value name given twice (names compare as sameName does). Takes
/// time linear in the length of the text.
bool parseSettings(std::string_view text, std::vector<Section>* sections, std::string* error);

/// The text of `sections`; parseSettings gives the same sections back.
std::string formatSettings(const std::vector<Section>& sections);

/// Registry name comparison: ASCII letters without regard to case, every
/// other byte exactly.
bool sameName(std::string_view a, std::string_view b);

/// Whether `name` can be a key name in a section line: 1 to
/// kMaxKeyNameLength bytes, no backslash and no control character.
bool isKeyName(std::string_view name);

}  // namespace velmora::platform::settings

#endif  // TAVRO_PLATFORM_SETTINGS_FILE_POSIX_H_
