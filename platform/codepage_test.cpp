#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace velmora::platform {
namespace {

TEST(CodePage, Utf8RoundTrip) {
  std::u16string wide;
  ASSERT_EQ(bytesToWide(kCodePageUtf8,
                        "Gr\xC3\xBC\xC3\x9F"
                        "e \xE2\x82\xAC",
                        11, &wide),
            0);
  EXPECT_EQ(wide, u"Gr\u00fc\u00dfe \u20ac");
  std::string bytes;
  ASSERT_EQ(wideToBytes(kCodePageUtf8, wide.data(), wide.size(), &bytes), 0);
  EXPECT_EQ(bytes,
            "Gr\xC3\xBC\xC3\x9F"
            "e \xE2\x82\xAC");
}

TEST(CodePage, WesternCodePageMapsItsHighBytes) {
  std::u16string wide;
  ASSERT_EQ(bytesToWide(1252, "\xE9\x80", 2, &wide), 0);
  EXPECT_EQ(wide, u"\u00e9\u20ac");
  std::string bytes;
  ASSERT_EQ(wideToBytes(1252, u"\u00e9\u4e2d", 2, &bytes), 0);
  EXPECT_EQ(bytes, "\xE9?");  // a character the code page lacks
}

TEST(CodePage, InvalidUtf8BecomesReplacementCharacters) {
  std::u16string wide;
  ASSERT_EQ(bytesToWide(kCodePageUtf8,
                        "a\xFF"
                        "b",
                        3, &wide),
            0);
  EXPECT_EQ(wide, u"a\ufffdb");
}

TEST(CodePage, UnknownCodePageFailsWith434) {
  std::u16string wide;
  std::string bytes;
  EXPECT_EQ(bytesToWide(12345, "x", 1, &wide), kConversionFailed);
  EXPECT_EQ(wideToBytes(12345, u"x", 1, &bytes), kConversionFailed);
}

TEST(CodePage, SystemCodePageConvertsAscii) {
  std::u16string wide;
  ASSERT_EQ(bytesToWide(kCodePageAnsi, "plain", 5, &wide), 0);
  EXPECT_EQ(wide, u"plain");
  EXPECT_GT(systemAnsiCodePage(), 0);
}

}  // namespace
}  // namespace velmora::platform
