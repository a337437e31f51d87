#include "platform/registry_sandbox_test_support.h"

#include <cstdio>
#include <random>

#include "platform/registry.h"

namespace velmora::platform::testing {

std::string randomSuffix() {
  std::random_device device;
  std::uniform_int_distribution<unsigned> pick(0, 0xffffff);
  char text[16];
  std::snprintf(text, sizeof text, "%06x", pick(device));
  return text;
}

void RegistrySandbox::deleteRemembered() {
  RegistryKey root(RegistryRoot::kCurrentUser);
  for (auto it = created_.rbegin(); it != created_.rend(); ++it)
    deleteRegistryKey(root, it->c_str());
  deleteRegistryKey(root, baseKey_.c_str());
}

}  // namespace velmora::platform::testing
