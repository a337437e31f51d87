#include "components/frame/config_setting.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using velmora::components::ConfigSetting;

// Any text a host program passes to Config: parsing and every accessor must
// be safe, a query carries no value, and a number written back in the query
// answer format reads back as the same number.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ConfigSetting setting = velmora::components::parseConfigSetting(text.c_str());
  if (setting.isQuery && !setting.value.empty()) std::abort();
  setting.is("MaxLineLength");
  setting.boolValue();
  setting.intValue();
  const int64_t number = setting.integerValue();

  ConfigSetting echo;
  echo.value = velmora::components::configInteger(number);
  if (echo.integerValue() != number) std::abort();
  return 0;
}
