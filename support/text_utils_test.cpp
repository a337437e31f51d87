#include "support/text_utils.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using Parts = std::vector<std::string>;

TEST(SplitString, SeparatesAndMergesDelimiters) {
  EXPECT_EQ(splitString("a:b", ":"), (Parts{"a", "b"}));
  EXPECT_EQ(splitString("a::b", ":"), (Parts{"a", "b"}));
  EXPECT_EQ(splitString(":a", ":"), (Parts{"a"}));
  EXPECT_EQ(splitString("a:", ":"), (Parts{"a"}));
  EXPECT_EQ(splitString("a:b:c", ":"), (Parts{"a", "b", "c"}));
  EXPECT_EQ(splitString("fe80::1", ":"), (Parts{"fe80", "1"}));
}

TEST(SplitString, EmptyTextsGiveNoParts) {
  EXPECT_TRUE(splitString("", ":").empty());
  EXPECT_TRUE(splitString(":::", ":").empty());
  EXPECT_TRUE(splitString("abc", "").empty());
}

TEST(SplitString, BackslashEscapesTheDelimiter) {
  EXPECT_EQ(splitString("a\\:b:c", ":"), (Parts{"a:b", "c"}));
  EXPECT_EQ(splitString("x\\:y\\:z", ":"), (Parts{"x:y:z"}));
  // An escaped delimiter at either end of the text is dropped.
  EXPECT_EQ(splitString("\\:ab", ":"), (Parts{"ab"}));
  EXPECT_EQ(splitString("ab\\:", ":"), (Parts{"ab"}));
}

TEST(SplitString, DottedAddresses) {
  EXPECT_EQ(splitString("192.168.1.20", "."), (Parts{"192", "168", "1", "20"}));
  EXPECT_EQ(splitString(".5", "."), (Parts{"5"}));
  EXPECT_EQ(splitString("10..5", "."), (Parts{"10", "5"}));
}

TEST(SplitString, MultiCharacterDelimiter) {
  EXPECT_EQ(splitString("a, b, , c", ", "), (Parts{"a", "b", "c"}));
}

TEST(FormatWindowsError, CodeWithoutTextGivesSignedDecimal) {
  EXPECT_EQ(formatWindowsError(0x20001234), "536875572");
  EXPECT_EQ(formatWindowsError(0xA0001234), "-1610608076");
}

TEST(FormatWindowsError, SystemTextLosesItsTrailingBlank) {
  const std::string text = formatWindowsError(2);  // file not found
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text, "2");
  EXPECT_NE(text.back(), ' ');
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace velmora
