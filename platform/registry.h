#ifndef TAVRO_PLATFORM_REGISTRY_H_
#define TAVRO_PLATFORM_REGISTRY_H_

#include <cstdint>

#include "platform/error_codes.h"

namespace velmora::platform {

/// Access rights and value types, with the numbers Windows gives them; the
/// error codes the registry calls return (kErrorFileNotFound, ...) are those
/// of platform/error_codes.h.
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kKeyWow64_32Key = 0x0200;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyAllAccess = 0xF003F;

constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

/// The predefined root keys the program can name.
enum class RegistryRoot { kCurrentUser };

/// An open registry key; closes itself (RegCloseKey) when destroyed. Move-only.
/// On Windows it wraps an HKEY; on POSIX it names one key, a section of the
/// per-user settings file $XDG_CONFIG_HOME/tavro/settings (else
/// ~/.config/tavro/settings).
class RegistryKey {
 public:
  RegistryKey() = default;
  /// The predefined root key; always open.
  explicit RegistryKey(RegistryRoot root);
  ~RegistryKey() { close(); }
  RegistryKey(RegistryKey&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  RegistryKey& operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  bool isOpen() const { return handle_ != nullptr; }
  void close();

  /// Backend use only: the native handle (HKEY, or the POSIX key record).
  void* handle() const { return handle_; }
  void reset(void* handle) {
    close();
    handle_ = handle;
  }

 private:
  void* handle_ = nullptr;
};

/// RegOpenKeyExA: opens `subKey` (backslash-separated, relative to `parent`,
/// names matched case-insensitively) with `rights`. Returns 0 or the Windows
/// error code (2 when the key does not exist).
uint32_t openRegistryKey(const RegistryKey& parent, const char* subKey, uint32_t rights,
                         RegistryKey* out);

/// RegCreateKeyExA with no class, non-volatile, default security: opens the
/// key, creating it and any missing parents first.
uint32_t createRegistryKey(const RegistryKey& parent, const char* subKey, uint32_t rights,
                           RegistryKey* out);

/// RegQueryValueExA. `type` may be null. `*size` is the buffer size on entry
/// and the value's size on return; a value larger than the buffer fails with
/// 234 (ERROR_MORE_DATA). A null `data` only reports the size.
uint32_t queryRegistryValue(const RegistryKey& key, const char* name, uint32_t* type, void* data,
                            uint32_t* size);

/// RegSetValueExA: stores `size` bytes of `data` under `name` with `type`.
uint32_t setRegistryValue(const RegistryKey& key, const char* name, uint32_t type, const void* data,
                          uint32_t size);

/// RegDeleteKeyA: deletes `subKey` of `parent` with its values. A key that
/// has subkeys of its own is not deleted: 5 (ERROR_ACCESS_DENIED).
uint32_t deleteRegistryKey(const RegistryKey& parent, const char* subKey);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_REGISTRY_H_
