#include "platform/system_error.h"

#include <gtest/gtest.h>

namespace velmora::platform {
namespace {

TEST(SystemError, KnownCodeGivesOneLineEndingInBlank) {
  for (uint32_t code : {2u, 5u, 10061u, 11001u}) {
    std::string text;
    ASSERT_TRUE(systemMessageText(code, false, 256, &text)) << code;
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.back(), ' ') << code;
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << code;
  }
}

TEST(SystemError, CodeWithoutTextIsReportedAsMissing) {
  std::string text = "unchanged";
  EXPECT_FALSE(systemMessageText(0x20001234, true, 512, &text));
  EXPECT_EQ(text, "unchanged");
}

TEST(SystemError, TextLongerThanTheBufferIsRefused) {
  std::string text;
  EXPECT_FALSE(systemMessageText(2, false, 4, &text));
  EXPECT_TRUE(systemMessageText(2, false, 256, &text));
}

}  // namespace
}  // namespace velmora::platform
