#include "platform/version_info.h"

#include <gtest/gtest.h>

namespace velmora::platform {
namespace {

const std::u16string kTable = u"\\StringFileInfo\\040904b0\\";

class VersionInfo : public testing::Test {
 protected:
  void SetUp() override {
    uint32_t error = 0;
    block_ = VersionBlock::load(&error);
    ASSERT_NE(block_, nullptr) << "error " << error;
  }
  std::unique_ptr<VersionBlock> block_;
};

TEST_F(VersionInfo, ProductStringsComeWithLengthCountingTheZero) {
  std::u16string value;
  uint32_t length = 0;
  uint32_t error = 0;
  ASSERT_TRUE(block_->queryValue(kTable + u"ProductName", &value, &length, &error));
  EXPECT_EQ(value, u"tavro");
  EXPECT_EQ(length, 6u);
  ASSERT_TRUE(block_->queryValue(kTable + u"ProductVersion", &value, &length, &error));
  EXPECT_EQ(value, u"1, 2, 0, 0");
  ASSERT_TRUE(block_->queryValue(kTable + u"CompanyName", &value, &length, &error));
  EXPECT_EQ(value, u"velmorasoft");
  for (const char16_t* key : {u"InternalName", u"LegalCopyright", u"FileDescription"}) {
    ASSERT_TRUE(block_->queryValue(kTable + key, &value, &length, &error));
    EXPECT_FALSE(value.empty());
  }
}

TEST_F(VersionInfo, TranslationNamesUsEnglishUnicode) {
  std::u16string value;
  uint32_t length = 0;
  uint32_t error = 0;
  ASSERT_TRUE(block_->queryValue(u"\\VarFileInfo\\Translation", &value, &length, &error));
  EXPECT_EQ(length, 4u);
  ASSERT_EQ(value.size(), 2u);
  EXPECT_EQ(value[0], 0x0409);
  EXPECT_EQ(value[1], 0x04B0);
}

TEST_F(VersionInfo, MissingKeyAndOtherTranslationAreNotFound) {
  std::u16string value;
  uint32_t length = 0;
  for (const std::u16string& path :
       {kTable + u"NoSuchKey", std::u16string(u"\\StringFileInfo\\040704b0\\ProductName")}) {
    uint32_t error = 0;
    EXPECT_FALSE(block_->queryValue(path, &value, &length, &error));
    EXPECT_NE(error, 0u);
  }
}

}  // namespace
}  // namespace velmora::platform
