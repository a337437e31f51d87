#ifndef TAVRO_SUPPORT_WINDOWS_SPECIFIC_FORMATTED_VERSION_INFO_H_
#define TAVRO_SUPPORT_WINDOWS_SPECIFIC_FORMATTED_VERSION_INFO_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/version_info.h"

namespace velmora::windows_specific {

/// The twelve strings of a version resource; a missing key stays empty.
struct FormattedVersionInfo {
  std::u16string comments;
  std::u16string companyName;
  std::u16string fileDescription;
  std::u16string fileVersion;
  std::u16string productName;
  std::u16string productVersion;
  std::u16string internalName;
  std::u16string legalCopyright;
  std::u16string legalTrademarks;
  std::u16string originalFilename;
  std::u16string privateBuild;
  std::u16string specialBuild;
};

/// Language 0x0409 (US English) with code page 0x04B0 (Unicode).
constexpr uint32_t kEnglishUnicodeTranslation = 0x040904B0;

/// Reads the running executable's version strings for `translation`
/// (language in the high 16 bits, code page in the low 16 bits). Throws
/// ExceptionWin32Wrapper when the version block cannot be loaded.
std::shared_ptr<FormattedVersionInfo> readFormattedVersionInfo(uint32_t translation);

/// Fills the record from an already loaded block; keys that cannot be read
/// stay empty.
std::shared_ptr<FormattedVersionInfo> formattedVersionInfoFrom(const platform::VersionBlock& block,
                                                               uint32_t translation);

/// The string stored under `key` for `translation`. Throws
/// ExceptionWin32Wrapper when the key cannot be found.
std::u16string queryVersionString(const platform::VersionBlock& block, uint32_t translation,
                                  const std::u16string& key);

}  // namespace velmora::windows_specific

#endif  // TAVRO_SUPPORT_WINDOWS_SPECIFIC_FORMATTED_VERSION_INFO_H_
