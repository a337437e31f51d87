#include "support/windows_specific/formatted_version_info.h"

#include <gtest/gtest.h>

#include <map>

#include "support/windows_specific/exceptions.h"

namespace velmora::windows_specific {
namespace {

// A version block holding a fixed table of sub-block paths.
class FakeVersionBlock : public platform::VersionBlock {
 public:
  void add(const std::u16string& path, const std::u16string& value, uint32_t length) {
    entries_[path] = {value, length};
  }
  bool queryValue(const std::u16string& subBlock, std::u16string* value, uint32_t* length,
                  uint32_t* error) const override {
    auto it = entries_.find(subBlock);
    if (it == entries_.end()) {
      *error = 1813;  // resource type not found
      return false;
    }
    *value = it->second.first;
    *length = it->second.second;
    return true;
  }

 private:
  std::map<std::u16string, std::pair<std::u16string, uint32_t>> entries_;
};

const std::u16string kEnglish = u"\\StringFileInfo\\040904b0\\";

TEST(QueryVersionString, PathUsesEightLowerCaseHexDigits) {
  FakeVersionBlock block;
  block.add(u"\\StringFileInfo\\000a04b0\\ProductName", u"tavro", 6);
  EXPECT_EQ(queryVersionString(block, 0x000A04B0, u"ProductName"), u"tavro");
}

TEST(QueryVersionString, ReportedLengthCountsTheTerminator) {
  FakeVersionBlock block;
  block.add(kEnglish + u"Comments", u"abcdef", 4);
  block.add(kEnglish + u"CompanyName", u"", 1);
  EXPECT_EQ(queryVersionString(block, kEnglishUnicodeTranslation, u"Comments"), u"abc");
  EXPECT_EQ(queryVersionString(block, kEnglishUnicodeTranslation, u"CompanyName"), u"");
}

TEST(QueryVersionString, MissingKeyThrowsWithTheSystemCode) {
  FakeVersionBlock block;
  try {
    queryVersionString(block, kEnglishUnicodeTranslation, u"ProductName");
    FAIL() << "no exception";
  } catch (const ExceptionWin32Wrapper& e) {
    EXPECT_EQ(e.errorCode(), 1813);
  }
}

TEST(FormattedVersionInfo, MissingAndBrokenKeysStayEmpty) {
  FakeVersionBlock block;
  block.add(kEnglish + u"ProductName", u"tavro", 6);
  block.add(kEnglish + u"ProductVersion", u"2, 1, 2, 1", 11);
  block.add(kEnglish + u"FileDescription", u"junk", 0);
  block.add(u"\\StringFileInfo\\040704b0\\CompanyName", u"other", 6);
  auto info = formattedVersionInfoFrom(block, kEnglishUnicodeTranslation);
  EXPECT_EQ(info->productName, u"tavro");
  EXPECT_EQ(info->productVersion, u"2, 1, 2, 1");
  EXPECT_EQ(info->fileDescription, u"");
  EXPECT_EQ(info->companyName, u"");
  EXPECT_EQ(info->internalName, u"");
}

}  // namespace
}  // namespace velmora::windows_specific
