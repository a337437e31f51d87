#ifndef TAVRO_SUPPORT_REGISTRY_H_
#define TAVRO_SUPPORT_REGISTRY_H_

#include <cstddef>
#include <cstdint>

#include "platform/registry.h"

/// Accessor for one registry hive. Every operation opens the key it names
/// (a path relative to the hive), does one thing and closes the key again;
/// results are booleans, and the system's text for the last failure is kept
/// in the object (empty after a success).
class CRegistry {
 public:
  /// `use32BitView` adds KEY_WOW64_32KEY to every key the accessor opens.
  CRegistry(velmora::platform::RegistryRoot hive, bool use32BitView);
  virtual ~CRegistry();
  CRegistry(const CRegistry&) = delete;
  CRegistry& operator=(const CRegistry&) = delete;

  /// True when the key can be opened for querying.
  bool keyExists(const char* keyPath);
  /// True when the key exists afterwards (opened, or created).
  bool createKey(const char* keyPath);
  /// True when subkey `subKeyName` of `parentPath` no longer exists. A key
  /// with subkeys of its own cannot be deleted and fails.
  bool deleteSubKey(const char* parentPath, const char* subKeyName);
  /// Reads up to 4 bytes of the value into `value` whatever its type; a value
  /// that cannot be read leaves `value` as it was.
  bool readDword(const char* keyPath, const char* valueName, int32_t& value);
  /// `flag` is true only when the value reads as 4 bytes equal to 1.
  bool readFlag(const char* keyPath, const char* valueName, bool& flag, uint32_t extraAccess = 0);
  /// Writes the value as REG_DWORD.
  bool writeDword(const char* keyPath, const char* valueName, int32_t value);
  /// Writes the flag as REG_DWORD 1 or 0.
  bool writeFlag(const char* keyPath, const char* valueName, bool flag);
  const char* lastErrorText() const { return lastError_; }

 private:
  static constexpr size_t kErrorTextSize = 512;

  uint32_t rights(uint32_t base) const;
  void clearError() { lastError_[0] = '\0'; }
  bool fail(uint32_t code);

  velmora::platform::RegistryKey hive_;
  bool use32BitView_;
  char lastError_[kErrorTextSize];
};

#endif  // TAVRO_SUPPORT_REGISTRY_H_
