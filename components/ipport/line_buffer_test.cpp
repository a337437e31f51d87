#include "components/ipport/line_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace velmora::components {
namespace {

void feed(LineBuffer& buffer, const std::string& bytes) {
  ASSERT_LE(static_cast<int>(bytes.size()), buffer.freeSpace());
  std::memcpy(buffer.writePointer(), bytes.data(), bytes.size());
  buffer.commit(static_cast<int>(bytes.size()));
}

std::vector<std::string> lines(LineBuffer& buffer) {
  std::vector<std::string> out;
  char* data = nullptr;
  int length = 0;
  while (buffer.nextLine(&data, &length)) out.emplace_back(data, static_cast<size_t>(length));
  return out;
}

std::string rest(LineBuffer& buffer) {
  char* data = nullptr;
  int length = 0;
  return buffer.takeRest(&data, &length) ? std::string(data, static_cast<size_t>(length)) : "";
}

TEST(LineBuffer, TerminatorSplitsAndKeepsTheUnfinishedLine) {
  LineBuffer buffer;
  buffer.setTerminator("\r\n");
  feed(buffer, "ab\r\ncd");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"ab"});
  feed(buffer, "e\r");  // half a terminator is no line end
  EXPECT_TRUE(lines(buffer).empty());
  feed(buffer, "\nf");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"cde"});
  EXPECT_EQ(rest(buffer), "f");
}

TEST(LineBuffer, CrLfModeJoinsPairsAcrossReads) {
  LineBuffer buffer;
  buffer.setCrLfMode(true);
  feed(buffer, "ab\r");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"ab"});
  feed(buffer, "\ncd\r\n");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"cd"});
  feed(buffer, "e\n\rf\rg\n\n");  // LF CR is one end; CR and LF alone end lines too
  EXPECT_EQ(lines(buffer), (std::vector<std::string>{"e", "f", "g", ""}));
}

TEST(LineBuffer, WithoutTerminatorEverythingIsOneLine) {
  LineBuffer buffer;
  feed(buffer, "a\r\nb");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"a\r\nb"});
  EXPECT_EQ(buffer.unreadCount(), 0);
}

TEST(LineBuffer, UnreadBytesMoveToTheFrontToMakeRoom) {
  LineBuffer buffer;
  buffer.setCapacity(8);
  buffer.setTerminator("|");
  feed(buffer, "abc|def");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"abc"});
  EXPECT_EQ(buffer.freeSpace(), 5);  // "def" now starts the storage
  feed(buffer, "gh|ij");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"defgh"});
  EXPECT_EQ(rest(buffer), "ij");
}

TEST(LineBuffer, CapacityIsLimited) {
  LineBuffer buffer;
  EXPECT_EQ(buffer.capacity(), 2048);
  buffer.setCapacity(100000);
  EXPECT_EQ(buffer.capacity(), 65536);
}

}  // namespace
}  // namespace velmora::components
