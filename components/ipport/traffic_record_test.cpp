#include "components/ipport/traffic_record.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora::components {
namespace {

std::string escaped(const std::string& bytes) {
  return TrafficRecord::escape(bytes.data(), static_cast<int>(bytes.size()));
}

TEST(TrafficRecord, EscapesWhatTheScriptWouldInterpret) {
  EXPECT_EQ(escaped("a$b"), "a\\$b");
  EXPECT_EQ(escaped("\\\"{}[]"), "\\\\\\\"\\{\\}\\[\\]");
  EXPECT_EQ(escaped("x\r\ny z"), "x\r\ny z");
}

TEST(TrafficRecord, OtherBytesBecomeThreeOctalDigits) {
  EXPECT_EQ(escaped(std::string("\x01", 1)), "\\001");
  EXPECT_EQ(escaped(std::string("\0", 1)), "\\000");
  EXPECT_EQ(escaped("\t\x7f\xff"), "\\011\\177\\377");
}

TEST(TrafficRecord, NothingIsWrittenWithoutAFile) {
  TrafficRecord record;
  EXPECT_FALSE(record.isOpen());
  record.recordSent("x", 1);  // must not crash
  EXPECT_FALSE(record.open(::testing::TempDir() + "no/such/dir/record.txt"));
}

}  // namespace
}  // namespace velmora::components
