#include "support/windows_specific/exceptions.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace velmora::windows_specific {
namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(ExceptionWin32Wrapper, MessageIsSystemTextThenHexCode) {
  const ExceptionWin32Wrapper e(2);
  const std::string message = e.what();
  EXPECT_TRUE(endsWith(message, " (0x2)")) << message;
  EXPECT_GT(message.size(), std::string(" (0x2)").size());
  EXPECT_EQ(e.errorCode(), 2);
}

TEST(ExceptionWin32Wrapper, CodeWithoutTextIsOnlyTheHexCode) {
  EXPECT_STREQ(ExceptionWin32Wrapper(0x20001234).what(), "(0x20001234)");
}

TEST(ExceptionWin32Wrapper, LargeCodesShowAllEightDigits) {
  const ExceptionWin32Wrapper e(static_cast<int32_t>(0x80070005));
  EXPECT_TRUE(endsWith(e.what(), "(0x80070005)")) << e.what();
}

TEST(ExceptionWin32Wrapper, ExtendedErrorNamesTheProvider) {
  const std::string message = ExceptionWin32Wrapper(1208).what();
  EXPECT_NE(message.find(": "), std::string::npos);
  EXPECT_TRUE(endsWith(message, "(0x4b8)")) << message;
}

TEST(ExceptionWin32Wrapper, ServiceCodesThrowTheirOwnClasses) {
  try {
    throw ExceptionWin32Wrapper(1060);
  } catch (const ExceptionWin32Wrapper& e) {
    EXPECT_EQ(typeid(e), typeid(ExceptionWin32ServiceDoesNotExist));
    EXPECT_EQ(e.errorCode(), 1060);
  }
  try {
    throw ExceptionWin32Wrapper(1073);
  } catch (const std::exception& e) {
    EXPECT_EQ(typeid(e), typeid(ExceptionWin32ServiceExists));
    EXPECT_TRUE(endsWith(e.what(), "(0x431)")) << e.what();
  }
}

TEST(ExceptionWin32Wrapper, CopiesKeepCodeAndMessage) {
  const ExceptionWin32Wrapper original(5);
  const ExceptionWin32Wrapper copy = original;
  EXPECT_EQ(copy.errorCode(), 5);
  EXPECT_STREQ(copy.what(), original.what());
}

}  // namespace
}  // namespace velmora::windows_specific
