#include "platform/version_info_posix.h"

#include <gtest/gtest.h>

namespace velmora::platform {
namespace {

const EmbeddedVersionString kGermanStrings[] = {{u"ProductName", u"Werkzeug"},
                                                {u"SpecialBuild", u""}};
const EmbeddedVersionTable kGermanOnly = {u"040704b0", 0x0407, 0x04B0, kGermanStrings, 2};

TEST(VersionInfoPosix, OnlyTheCompiledTranslationIsFound) {
  const auto block = makeEmbeddedVersionBlock(&kGermanOnly);
  std::u16string value;
  uint32_t length = 0;
  uint32_t error = 0;
  EXPECT_FALSE(
      block->queryValue(u"\\StringFileInfo\\040904b0\\ProductName", &value, &length, &error));
  EXPECT_EQ(error, 1813u);
  ASSERT_TRUE(
      block->queryValue(u"\\StringFileInfo\\040704b0\\ProductName", &value, &length, &error));
  EXPECT_EQ(value, u"Werkzeug");
}

TEST(VersionInfoPosix, PathsMatchWithoutRegardToCase) {
  const auto block = makeEmbeddedVersionBlock(&kGermanOnly);
  std::u16string value;
  uint32_t length = 0;
  uint32_t error = 0;
  EXPECT_TRUE(
      block->queryValue(u"\\stringfileinfo\\040704B0\\productname", &value, &length, &error));
  EXPECT_TRUE(block->queryValue(u"\\varfileinfo\\translation", &value, &length, &error));
  ASSERT_EQ(value.size(), 2u);
  EXPECT_EQ(value[0], 0x0407);
}

TEST(VersionInfoPosix, EmptyValueHasLengthOne) {
  const auto block = makeEmbeddedVersionBlock(&kGermanOnly);
  std::u16string value = u"stale";
  uint32_t length = 0;
  uint32_t error = 0;
  ASSERT_TRUE(
      block->queryValue(u"\\StringFileInfo\\040704b0\\SpecialBuild", &value, &length, &error));
  EXPECT_EQ(value, u"");
  EXPECT_EQ(length, 1u);
}

}  // namespace
}  // namespace velmora::platform
