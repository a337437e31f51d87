#include <windows.h>

#include "platform/system_error.h"

#include <winnetwk.h>

#include <vector>

namespace velmora::platform {

namespace {

constexpr DWORD kFromSystemMaxWidth = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK;
constexpr DWORD kNeutralSystemDefault = MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT);
constexpr DWORD kProviderBufferSize = 512;

}  // namespace

bool systemMessageText(uint32_t code, bool ignoreInserts, size_t bufferSize, std::string* text) {
  if (bufferSize == 0) return false;
  const DWORD flags = kFromSystemMaxWidth | (ignoreInserts ? FORMAT_MESSAGE_IGNORE_INSERTS : 0);
  std::vector<char> buffer(bufferSize, '\0');
  const DWORD length = FormatMessageA(flags, nullptr, code, kNeutralSystemDefault, buffer.data(),
                                      static_cast<DWORD>(bufferSize), nullptr);
  if (length == 0) return false;
  text->assign(buffer.data(), length);
  return true;
}

uint32_t lastSystemError() { return GetLastError(); }

bool networkProviderError(std::string* description, std::string* provider) {
  DWORD error = 0;
  std::vector<char> descriptionBuffer(kProviderBufferSize, '\0');
  std::vector<char> providerBuffer(kProviderBufferSize, '\0');
  if (WNetGetLastErrorA(&error, descriptionBuffer.data(), kProviderBufferSize,
                        providerBuffer.data(), kProviderBufferSize) != NO_ERROR) {
    return false;
  }
  *description = descriptionBuffer.data();
  *provider = providerBuffer.data();
  return true;
}

}  // namespace velmora::platform
