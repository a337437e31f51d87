#include "support/windows_specific/formatted_version_info.h"

#include <cstdio>
#include <stdexcept>

#include "support/windows_specific/exceptions.h"

namespace velmora::windows_specific {

namespace {

std::u16string subBlockPath(uint32_t translation, const std::u16string& key) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(translation));
  return u"\\StringFileInfo\\" + std::u16string(digits, digits + 8) + u"\\" + key;
}

enum class Lookup { kFound, kMissing, kUnterminated };

// One lookup for both callers: the throwing query below, and the banner's
// reader, for which a missing key is normal (two are missing in every build,
// and unwinding for them was a sixth of the program's start-up).
Lookup lookUpVersionString(const platform::VersionBlock& block, uint32_t translation,
                           const std::u16string& key, std::u16string* text, uint32_t* error) {
  std::u16string value;
  uint32_t length = 0;
  if (!block.queryValue(subBlockPath(translation, key), &value, &length, error)) {
    return Lookup::kMissing;
  }
  if (length == 0) return Lookup::kUnterminated;
  *text = value.substr(0, length - 1);
  return Lookup::kFound;
}

// A missing key only leaves its text empty; the banner copes with that.
void readInto(const platform::VersionBlock& block, uint32_t translation, const char16_t* key,
              std::u16string* member) {
  uint32_t error = 0;
  lookUpVersionString(block, translation, key, member, &error);
}

}  // namespace

std::u16string queryVersionString(const platform::VersionBlock& block, uint32_t translation,
                                  const std::u16string& key) {
  std::u16string text;
  uint32_t error = 0;
  switch (lookUpVersionString(block, translation, key, &text, &error)) {
    case Lookup::kMissing:
      throw ExceptionWin32Wrapper(static_cast<int32_t>(error));
    case Lookup::kUnterminated:
      throw std::length_error("version string without terminator");
    case Lookup::kFound:
      break;
  }
  return text;
}

std::shared_ptr<FormattedVersionInfo> formattedVersionInfoFrom(const platform::VersionBlock& block,
                                                               uint32_t translation) {
  auto info = std::make_shared<FormattedVersionInfo>();
  readInto(block, translation, u"ProductName", &info->productName);
  readInto(block, translation, u"ProductVersion", &info->productVersion);
  readInto(block, translation, u"Comments", &info->comments);
  readInto(block, translation, u"CompanyName", &info->companyName);
  readInto(block, translation, u"FileVersion", &info->fileVersion);
  readInto(block, translation, u"InternalName", &info->internalName);
  readInto(block, translation, u"LegalCopyright", &info->legalCopyright);
  readInto(block, translation, u"LegalTrademarks", &info->legalTrademarks);
  readInto(block, translation, u"OriginalFilename", &info->originalFilename);
  readInto(block, translation, u"PrivateBuild", &info->privateBuild);
  readInto(block, translation, u"SpecialBuild", &info->specialBuild);
  readInto(block, translation, u"FileDescription", &info->fileDescription);
  return info;
}

std::shared_ptr<FormattedVersionInfo> readFormattedVersionInfo(uint32_t translation) {
  uint32_t error = 0;
  std::unique_ptr<platform::VersionBlock> block = platform::VersionBlock::load(&error);
  if (!block) throw ExceptionWin32Wrapper(static_cast<int32_t>(error));
  return formattedVersionInfoFrom(*block, translation);
}

}  // namespace velmora::windows_specific
