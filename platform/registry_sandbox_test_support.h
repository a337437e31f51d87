#ifndef TAVRO_PLATFORM_REGISTRY_SANDBOX_TEST_SUPPORT_H_
#define TAVRO_PLATFORM_REGISTRY_SANDBOX_TEST_SUPPORT_H_

#include <string>
#include <vector>

namespace velmora::platform::testing {

/// A place in HKEY_CURRENT_USER for one test. On POSIX the whole per-user
/// hive is redirected to a fresh temporary XDG_CONFIG_HOME, removed again at
/// the end; on Windows the real registry is used, and the test's keys live
/// under a randomly named key of its own that the sandbox deletes.
class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  /// "Software\velmorasoft-test-<random>": not created yet.
  const std::string& baseKey() const { return baseKey_; }
  /// Whether the hive is private to this test (POSIX), so fixed key names
  /// such as the program's own can be used without touching the user's.
  bool isPrivate() const;
  /// POSIX: the temporary XDG_CONFIG_HOME; empty on Windows.
  const std::string& privateRoot() const { return privateRoot_; }
  /// Records a key (relative to HKCU) that the sandbox deletes at the end;
  /// deepest keys must be remembered last.
  void remember(const std::string& keyPath) { created_.push_back(keyPath); }

 private:
  void deleteRemembered();

  std::string baseKey_;
  std::string privateRoot_;
  std::string savedConfigHome_;
  bool hadConfigHome_ = false;
  std::vector<std::string> created_;
};

/// A random suffix for test key names.
std::string randomSuffix();

}  // namespace velmora::platform::testing

#endif  // TAVRO_PLATFORM_REGISTRY_SANDBOX_TEST_SUPPORT_H_
