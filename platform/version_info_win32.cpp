#include <windows.h>

#include "platform/version_info.h"

#include <algorithm>
#include <vector>

#include "platform/error_codes.h"

namespace velmora::platform {

namespace {

constexpr DWORD kModulePathSize = 260;

uint32_t lastErrorOr(uint32_t fallback) {
  const DWORD error = GetLastError();
  return error != 0 ? error : fallback;
}

bool isStringPath(const std::u16string& path) {
  const std::u16string prefix = u"\\stringfileinfo\\";
  if (path.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char16_t c = path[i] >= u'A' && path[i] <= u'Z' ? path[i] + (u'a' - u'A') : path[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

class WindowsVersionBlock : public VersionBlock {
 public:
  explicit WindowsVersionBlock(std::vector<unsigned char> data) : data_(std::move(data)) {}

  bool queryValue(const std::u16string& subBlock, std::u16string* value, uint32_t* length,
                  uint32_t* error) const override {
    void* found = nullptr;
    UINT size = 0;
    SetLastError(0);
    if (!VerQueryValueW(data_.data(), reinterpret_cast<LPCWSTR>(subBlock.c_str()), &found, &size)) {
      *error = lastErrorOr(kErrorResourceTypeNotFound);
      return false;
    }
    *length = size;
    // Strings are counted in characters, binary values in bytes.
    const bool isString = isStringPath(subBlock);
    const size_t units = found == nullptr ? 0 : (isString ? size : size / 2);
    const auto* text = static_cast<const char16_t*>(found);
    value->assign(text, text + units);
    if (isString) value->resize(std::min(value->size(), value->find(u'\0')));
    return true;
  }

 private:
  std::vector<unsigned char> data_;
};

}  // namespace

std::unique_ptr<VersionBlock> VersionBlock::load(uint32_t* error) {
  wchar_t path[kModulePathSize] = {};
  if (GetModuleFileNameW(nullptr, path, kModulePathSize) == 0) {
    *error = GetLastError();
    return nullptr;
  }
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) {
    *error = GetLastError();
    return nullptr;
  }
  std::vector<unsigned char> data(size, 0);
  if (!GetFileVersionInfoW(path, 0, size, data.data())) {
    *error = GetLastError();
    return nullptr;
  }
  *error = 0;
  return std::make_unique<WindowsVersionBlock>(std::move(data));
}

}  // namespace velmora::platform
