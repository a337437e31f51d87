#ifndef TAVRO_COMPONENTS_FRAME_CONFIG_SETTING_H_
#define TAVRO_COMPONENTS_FRAME_CONFIG_SETTING_H_

#include <cstdint>
#include <string>

namespace velmora::components {

/// One parsed `Config` text: "name=value" sets, "name" alone queries. Text in
/// "[...]" or "(...)" within the name is an index and not part of the name.
struct ConfigSetting {
  std::string name;
  int index = -1;
  bool isQuery = true;
  std::string value;

  /// The name equals `key` without regard to case.
  bool is(const char* key) const;
  /// True for "TRUE", "yes" or "1" in any case.
  bool boolValue() const;
  /// Optional sign and decimal digits up to the first other character, or
  /// hexadecimal after "0x"; saturates instead of overflowing.
  int64_t integerValue() const;
  int intValue() const;
};

ConfigSetting parseConfigSetting(const char* text);

/// Query answers: "True"/"False" and decimal numbers.
std::string configBool(bool value);
std::string configInteger(int64_t value);

/// Helpers for a layer's `configure`: when `setting` names `key`, set the
/// field (or put its value into `answer` for a query) and return true.
bool configBoolField(const ConfigSetting& setting, const char* key, bool* field,
                     std::string* answer);
bool configIntField(const ConfigSetting& setting, const char* key, int* field, std::string* answer);
bool configTextField(const ConfigSetting& setting, const char* key, std::string* field,
                     std::string* answer);

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_CONFIG_SETTING_H_
