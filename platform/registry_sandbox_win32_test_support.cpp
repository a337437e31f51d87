#include "platform/registry_sandbox_test_support.h"

namespace velmora::platform::testing {

RegistrySandbox::RegistrySandbox() : baseKey_("Software\\velmorasoft-test-" + randomSuffix()) {}

RegistrySandbox::~RegistrySandbox() { deleteRemembered(); }

bool RegistrySandbox::isPrivate() const { return false; }

}  // namespace velmora::platform::testing
