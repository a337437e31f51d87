#include "support/registry.h"

#include <cstring>
#include <string>

#include "platform/system_error.h"

namespace platform = velmora::platform;

CRegistry::CRegistry(platform::RegistryRoot hive, bool use32BitView)
    : hive_(hive), use32BitView_(use32BitView) {
  clearError();
}

CRegistry::~CRegistry() = default;

uint32_t CRegistry::rights(uint32_t base) const {
  return use32BitView_ ? (base | platform::kKeyWow64_32Key) : base;
}

bool CRegistry::fail(uint32_t code) {
  std::string text;
  if (platform::systemMessageText(code, false, kErrorTextSize, &text)) {
    size_t length = text.size() < kErrorTextSize - 1 ? text.size() : kErrorTextSize - 1;
    std::memcpy(lastError_, text.data(), length);
    lastError_[length] = '\0';
  }
  return false;
}

bool CRegistry::keyExists(const char* keyPath) {
  clearError();
  platform::RegistryKey key;
  uint32_t rc = platform::openRegistryKey(hive_, keyPath, rights(platform::kKeyQueryValue), &key);
  return rc == platform::kErrorSuccess || fail(rc);
}

bool CRegistry::createKey(const char* keyPath) {
  clearError();
  platform::RegistryKey key;
  uint32_t access = rights(platform::kKeyQueryValue);
  if (platform::openRegistryKey(hive_, keyPath, access, &key) == platform::kErrorSuccess) {
    return true;
  }
  uint32_t rc = platform::createRegistryKey(hive_, keyPath, access, &key);
  return rc == platform::kErrorSuccess || fail(rc);
}

// The probe addresses the very key that is to be deleted: a path cut to a
// fixed length could name some other, missing key and report success while
// the real one stays. Only "not found" counts as already deleted; any other
// probe failure is left to the deletion itself to report.
bool CRegistry::deleteSubKey(const char* parentPath, const char* subKeyName) {
  clearError();
  std::string fullPath = std::string(parentPath) + "\\" + subKeyName;
  {
    platform::RegistryKey probe;
    uint32_t rc = platform::openRegistryKey(hive_, fullPath.c_str(),
                                            rights(platform::kKeyQueryValue), &probe);
    if (rc == platform::kErrorFileNotFound) return true;
  }
  platform::RegistryKey parent;
  uint32_t access = rights(platform::kKeyQueryValue | platform::kKeySetValue);
  uint32_t rc = platform::openRegistryKey(hive_, parentPath, access, &parent);
  if (rc != platform::kErrorSuccess) return fail(rc);
  rc = platform::deleteRegistryKey(parent, subKeyName);
  return rc == platform::kErrorSuccess || rc == platform::kErrorFileNotFound || fail(rc);
}

bool CRegistry::readDword(const char* keyPath, const char* valueName, int32_t& value) {
  clearError();
  platform::RegistryKey key;
  uint32_t rc = platform::openRegistryKey(hive_, keyPath, rights(platform::kKeyRead), &key);
  if (rc != platform::kErrorSuccess) return fail(rc);
  uint32_t size = sizeof value;
  rc = platform::queryRegistryValue(key, valueName, nullptr, &value, &size);
  return rc == platform::kErrorSuccess || fail(rc);
}

bool CRegistry::readFlag(const char* keyPath, const char* valueName, bool& flag,
                         uint32_t extraAccess) {
  clearError();
  flag = false;
  platform::RegistryKey key;
  uint32_t rc =
      platform::openRegistryKey(hive_, keyPath, rights(platform::kKeyRead | extraAccess), &key);
  if (rc != platform::kErrorSuccess) return fail(rc);
  uint32_t stored = 0;
  uint32_t size = sizeof stored;
  rc = platform::queryRegistryValue(key, valueName, nullptr, &stored, &size);
  if (rc != platform::kErrorSuccess) return fail(rc);
  flag = stored == 1;
  return true;
}

bool CRegistry::writeDword(const char* keyPath, const char* valueName, int32_t value) {
  clearError();
  platform::RegistryKey key;
  uint32_t rc = platform::openRegistryKey(hive_, keyPath, rights(platform::kKeySetValue), &key);
  if (rc != platform::kErrorSuccess) return fail(rc);
  uint32_t data = static_cast<uint32_t>(value);
  unsigned char bytes[4] = {static_cast<unsigned char>(data), static_cast<unsigned char>(data >> 8),
                            static_cast<unsigned char>(data >> 16),
                            static_cast<unsigned char>(data >> 24)};
  rc = platform::setRegistryValue(key, valueName, platform::kRegDword, bytes, sizeof bytes);
  return rc == platform::kErrorSuccess || fail(rc);
}

bool CRegistry::writeFlag(const char* keyPath, const char* valueName, bool flag) {
  return writeDword(keyPath, valueName, flag ? 1 : 0);
}
