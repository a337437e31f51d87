#include "components/frame/winsock_text.h"

#include <gtest/gtest.h>

namespace velmora::components {
namespace {

TEST(WinsockText, KnownCodesCarryTheirTableText) {
  EXPECT_EQ(describeWinsockError(10061), "[10061] Connection refused");
  EXPECT_EQ(describeWinsockError(10066), "[10066] Directory not empt");
  EXPECT_EQ(describeWinsockError(10093), "[10093] Winsock not loaded yet (WSANOTINITIALISED)");
  EXPECT_EQ(describeWinsockError(11004), "[11004] Valid name, no data record (check DNS setup)");
}

TEST(WinsockText, UnknownCodesHaveNoDescription) {
  EXPECT_EQ(describeWinsockError(12345), "[12345] (no description available)");
  EXPECT_EQ(describeWinsockError(10072), "[10072] (no description available)");
  EXPECT_EQ(winsockErrorText(0), nullptr);
}

TEST(WinsockText, CompletionTextsForFrameCodes) {
  EXPECT_EQ(completionText(301), "Interrupted.");
  EXPECT_EQ(completionText(200), "Out of memory.");
  EXPECT_EQ(completionText(434), "[434] (no description available)");
}

}  // namespace
}  // namespace velmora::components
