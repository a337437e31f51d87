#include "components/frame/config_setting.h"

#include <cctype>
#include <cstring>
#include <limits>

namespace velmora::components {
namespace {

bool equalsIgnoreCase(const std::string& a, const char* b) {
  size_t length = std::strlen(b);
  if (a.size() != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string trimBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Splits "Name[3]" into the name and its decimal index.
void splitNameAndIndex(const std::string& raw, ConfigSetting* setting) {
  size_t open = raw.find_first_of("[(");
  if (open == std::string::npos) {
    setting->name = trimBlanks(raw);
    return;
  }
  size_t close = raw.find_first_of("])", open + 1);
  std::string inside =
      raw.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
  ConfigSetting number;
  number.value = trimBlanks(inside);
  setting->index = number.intValue();
  std::string rest = close == std::string::npos ? "" : raw.substr(close + 1);
  setting->name = trimBlanks(raw.substr(0, open) + rest);
}

std::string cleanValue(const std::string& raw) {
  size_t start = raw.find_first_not_of(' ');
  if (start == std::string::npos) return "";
  std::string value = raw.substr(start);
  if (!value.empty() && value.front() == '"') value.erase(0, 1);
  while (!value.empty() && value.back() == ' ') value.pop_back();
  if (!value.empty() && value.back() == '"') value.pop_back();
  return value;
}

}  // namespace

bool ConfigSetting::is(const char* key) const { return equalsIgnoreCase(name, key); }

bool ConfigSetting::boolValue() const {
  return equalsIgnoreCase(value, "TRUE") || equalsIgnoreCase(value, "yes") || value == "1";
}

int64_t ConfigSetting::integerValue() const {
  const char* p = value.c_str();
  int base = 10;
  bool negative = false;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  } else if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  uint64_t result = 0;
  for (; *p; ++p) {
    int digit = std::isdigit(static_cast<unsigned char>(*p)) ? *p - '0'
                : base == 16 && std::isxdigit(static_cast<unsigned char>(*p))
                    ? std::tolower(static_cast<unsigned char>(*p)) - 'a' + 10
                    : -1;
    if (digit < 0) break;
    result = result > (limit - digit) / base ? limit : result * base + digit;
  }
  return negative ? -static_cast<int64_t>(result) : static_cast<int64_t>(result);
}

int ConfigSetting::intValue() const {
  int64_t v = integerValue();
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

ConfigSetting parseConfigSetting(const char* text) {
  ConfigSetting setting;
  std::string whole = text ? text : "";
  size_t equals = whole.find('=');
  splitNameAndIndex(whole.substr(0, equals), &setting);
  if (equals != std::string::npos) {
    setting.isQuery = false;
    setting.value = cleanValue(whole.substr(equals + 1));
  }
  return setting;
}

std::string configBool(bool value) { return value ? "True" : "False"; }

std::string configInteger(int64_t value) { return std::to_string(value); }

bool configBoolField(const ConfigSetting& setting, const char* key, bool* field,
                     std::string* answer) {
  if (!setting.is(key)) return false;
  if (setting.isQuery) {
    *answer = configBool(*field);
  } else {
    *field = setting.boolValue();
  }
  return true;
}

bool configIntField(const ConfigSetting& setting, const char* key, int* field,
                    std::string* answer) {
  if (!setting.is(key)) return false;
  if (setting.isQuery) {
    *answer = configInteger(*field);
  } else {
    *field = setting.intValue();
  }
  return true;
}

bool configTextField(const ConfigSetting& setting, const char* key, std::string* field,
                     std::string* answer) {
  if (!setting.is(key)) return false;
  if (setting.isQuery) {
    *answer = *field;
  } else {
    *field = setting.value;
  }
  return true;
}

}  // namespace velmora::components
