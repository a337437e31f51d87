#include <windows.h>

#include "platform/registry.h"

namespace velmora::platform {
namespace {

HKEY nativeKey(const RegistryKey& key) { return static_cast<HKEY>(key.handle()); }

}  // namespace

RegistryKey::RegistryKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kCurrentUser:
      handle_ = HKEY_CURRENT_USER;
      break;
  }
}

void RegistryKey::close() {
  if (handle_ != nullptr) {
    RegCloseKey(static_cast<HKEY>(handle_));
    handle_ = nullptr;
  }
}

uint32_t openRegistryKey(const RegistryKey& parent, const char* subKey, uint32_t rights,
                         RegistryKey* out) {
  HKEY opened = nullptr;
  LONG rc = RegOpenKeyExA(nativeKey(parent), subKey, 0, rights, &opened);
  if (rc == ERROR_SUCCESS) out->reset(opened);
  return static_cast<uint32_t>(rc);
}

uint32_t createRegistryKey(const RegistryKey& parent, const char* subKey, uint32_t rights,
                           RegistryKey* out) {
  HKEY created = nullptr;
  LONG rc = RegCreateKeyExA(nativeKey(parent), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, rights,
                            nullptr, &created, nullptr);
  if (rc == ERROR_SUCCESS) out->reset(created);
  return static_cast<uint32_t>(rc);
}

uint32_t queryRegistryValue(const RegistryKey& key, const char* name, uint32_t* type, void* data,
                            uint32_t* size) {
  DWORD nativeType = 0;
  DWORD nativeSize = *size;
  LONG rc = RegQueryValueExA(nativeKey(key), name, nullptr, type != nullptr ? &nativeType : nullptr,
                             static_cast<BYTE*>(data), &nativeSize);
  *size = nativeSize;
  if (type != nullptr) *type = nativeType;
  return static_cast<uint32_t>(rc);
}

uint32_t setRegistryValue(const RegistryKey& key, const char* name, uint32_t type, const void* data,
                          uint32_t size) {
  return static_cast<uint32_t>(
      RegSetValueExA(nativeKey(key), name, 0, type, static_cast<const BYTE*>(data), size));
}

uint32_t deleteRegistryKey(const RegistryKey& parent, const char* subKey) {
  return static_cast<uint32_t>(RegDeleteKeyA(nativeKey(parent), subKey));
}

}  // namespace velmora::platform
