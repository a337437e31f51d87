#include <windows.h>

#include "platform/codepage.h"

namespace velmora::platform {

int systemAnsiCodePage() { return static_cast<int>(GetACP()); }

int bytesToWide(int codePage, const char* data, size_t length, std::u16string* out) {
  out->clear();
  if (length == 0)
    return IsValidCodePage(codePage == 0 ? GetACP() : codePage) ? 0 : kConversionFailed;
  int inLength = static_cast<int>(length);
  int needed = MultiByteToWideChar(codePage, 0, data, inLength, nullptr, 0);
  if (needed <= 0) return kConversionFailed;
  out->resize(static_cast<size_t>(needed));
  MultiByteToWideChar(codePage, 0, data, inLength, reinterpret_cast<wchar_t*>(&(*out)[0]), needed);
  return 0;
}

int wideToBytes(int codePage, const char16_t* data, size_t length, std::string* out) {
  out->clear();
  if (length == 0)
    return IsValidCodePage(codePage == 0 ? GetACP() : codePage) ? 0 : kConversionFailed;
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(data);
  int inLength = static_cast<int>(length);
  int needed = WideCharToMultiByte(codePage, 0, wide, inLength, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return kConversionFailed;
  out->resize(static_cast<size_t>(needed));
  WideCharToMultiByte(codePage, 0, wide, inLength, &(*out)[0], needed, nullptr, nullptr);
  return 0;
}

}  // namespace velmora::platform
