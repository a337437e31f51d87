#include <stdlib.h>

#include <filesystem>

#include "platform/registry_sandbox_test_support.h"

namespace velmora::platform::testing {

RegistrySandbox::RegistrySandbox() : baseKey_("Software\\velmorasoft-test-" + randomSuffix()) {
  const char* current = getenv("XDG_CONFIG_HOME");
  hadConfigHome_ = current != nullptr;
  if (hadConfigHome_) savedConfigHome_ = current;
  std::string pattern = (std::filesystem::temp_directory_path() / "tavro-hive-XXXXXX").string();
  if (mkdtemp(&pattern[0]) != nullptr) privateRoot_ = pattern;
  setenv("XDG_CONFIG_HOME", privateRoot_.c_str(), 1);
}

RegistrySandbox::~RegistrySandbox() {
  deleteRemembered();
  if (hadConfigHome_) {
    setenv("XDG_CONFIG_HOME", savedConfigHome_.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
  std::error_code ignored;
  if (!privateRoot_.empty()) std::filesystem::remove_all(privateRoot_, ignored);
}

bool RegistrySandbox::isPrivate() const { return !privateRoot_.empty(); }

}  // namespace velmora::platform::testing
