#include <windows.h>

#include "platform/proxy_settings.h"

namespace velmora::platform {
namespace {

constexpr char kInternetSettings[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr DWORD kMaxServerList = 399;

class KeyHandle {
 public:
  KeyHandle() = default;
  ~KeyHandle() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

bool readProxyServerList(std::string* list) {
  list->clear();
  KeyHandle key;
  LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_QUERY_VALUE, key.out());
  if (status == ERROR_FILE_NOT_FOUND) {
    status = RegOpenKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0,
                           KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.out());
  }
  if (status != ERROR_SUCCESS) return false;
  DWORD enabled = 0;
  DWORD size = sizeof(enabled);
  if (RegQueryValueExA(key.get(), "ProxyEnable", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&enabled), &size) != ERROR_SUCCESS ||
      enabled == 0) {
    return false;
  }
  char server[kMaxServerList + 1] = {};
  size = kMaxServerList;
  if (RegQueryValueExA(key.get(), "ProxyServer", nullptr, nullptr, reinterpret_cast<BYTE*>(server),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  // The value need not be NUL-terminated; the buffer has one byte spare.
  server[size < kMaxServerList ? size : kMaxServerList] = '\0';
  *list = server;
  return true;
}

}  // namespace velmora::platform
