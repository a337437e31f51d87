#ifndef TAVRO_PLATFORM_CODEPAGE_H_
#define TAVRO_PLATFORM_CODEPAGE_H_

#include <cstddef>
#include <string>

namespace velmora::platform {

constexpr int kCodePageAnsi = 0;
constexpr int kCodePageUtf8 = 65001;
/// Result code of a conversion that cannot be made (unknown code page).
constexpr int kConversionFailed = 434;

/// The system ANSI code page (GetACP). On POSIX: the code page of the user's
/// LC_CTYPE locale, 65001 when that is UTF-8 or the plain C locale.
int systemAnsiCodePage();

/// MultiByteToWideChar: bytes in `codePage` (0 = system ANSI) to UTF-16.
/// Invalid sequences become U+FFFD. Returns 0 or kConversionFailed.
int bytesToWide(int codePage, const char* data, size_t length, std::u16string* out);

/// WideCharToMultiByte: UTF-16 to bytes in `codePage`; characters the code
/// page lacks become '?'. Returns 0 or kConversionFailed.
int wideToBytes(int codePage, const char16_t* data, size_t length, std::string* out);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_CODEPAGE_H_
