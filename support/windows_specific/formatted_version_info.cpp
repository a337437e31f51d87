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

// A missing key only leaves its text empty; the banner copes with that. The
// lookup is made without the throwing wrapper: two keys are missing in every
// build, and unwinding for them was a sixth of the program's start-up.
void readInto(const platform::VersionBlock& block, uint32_t translation, const char16_t* key,
              std::u16string* member) {
  std::u16string value;
  uint32_t length = 0;
  uint32_t error = 0;
  if (block.queryValue(subBlockPath(translation, key), &value, &length, &error) && length > 0) {
    *member = value.substr(0, length - 1);
  }
}

}  // namespace

std::u16string queryVersionString(const platform::VersionBlock& block, uint32_t translation,
                                  const std::u16string& key) {
  std::u16string value;
  uint32_t length = 0;
  uint32_t error = 0;
  if (!block.queryValue(subBlockPath(translation, key), &value, &length, &error)) {
    throw ExceptionWin32Wrapper(static_cast<int32_t>(error));
  }
  if (length == 0) throw std::length_error("version string without terminator");
  return value.substr(0, length - 1);
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
