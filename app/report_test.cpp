#include "app/report.h"

#include <gtest/gtest.h>

namespace {

TEST(RandomNumber, FollowsTheRuntimeRecurrence) {
  seedRandom(0);
  EXPECT_EQ(drawRandom(), 38);
  EXPECT_EQ(drawRandom(), 7719);
  seedRandom(1);
  EXPECT_EQ(drawRandom(), 41);
}

TEST(RandomNumber, SeedZeroPicksUpComment6AndDownComment3) {
  seedRandom(0);
  const int up = randomNumber(static_cast<int>(successComments().size()), false);
  seedRandom(0);
  const int down = randomNumber(static_cast<int>(failureComments().size()), false);
  ASSERT_EQ(up, 6);
  ASSERT_EQ(down, 3);
  EXPECT_EQ(successComments()[5], "Great! Let's go home and call it a day!");
  EXPECT_EQ(failureComments()[2], "Oh geez, can we blame this on somebody else?");
}

TEST(RandomNumber, StaysWithinOneToMax) {
  seedRandom(12345);
  for (int i = 0; i < 1000; ++i) {
    const int n = randomNumber(11, false);
    ASSERT_GE(n, 1);
    ASSERT_LE(n, 11);
  }
}

TEST(Report, CommentListsHaveTheirLengths) {
  EXPECT_EQ(successComments().size(), 11u);
  EXPECT_EQ(failureComments().size(), 12u);
  EXPECT_EQ(failureComments().back(), "Bummer, dude.");
}

TEST(Report, BriefVerdictWithoutCommentEndsAtTheFullStop) {
  EXPECT_EQ(briefVerdict("server1 [192.0.2.7]", true, false),
            "Host server1 [192.0.2.7] is up.\r\n");
  EXPECT_EQ(briefVerdict("192.0.2.7", false, false), "Host 192.0.2.7 is down.\r\n");
}

TEST(Report, BriefVerdictCommentComesFromTheMatchingList) {
  const std::string line = briefVerdict("h", false, true);
  const std::string prefix = "Host h is down. ";
  ASSERT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
  const std::string comment = line.substr(prefix.size(), line.size() - prefix.size() - 2);
  bool known = false;
  for (const std::string& c : failureComments()) known = known || c == comment;
  EXPECT_TRUE(known) << comment;
}

TEST(Report, FramingTexts) {
  EXPECT_EQ(errorLine("no such host"), "Error: no such host\r\n");
  EXPECT_EQ(verboseHeader("h [1.2.3.4]"), "\nBinging h [1.2.3.4]\n\n");
  EXPECT_EQ(probeLine("The request timed out."), "The request timed out.\r\n");
  EXPECT_EQ(
      summaryText(PingStatistics{28, 5, 52, 100}),
      "\nRoundtrip Summary:\r\nAverage: 28 ms, Minimum: 5 ms, Maximum: 52 ms, Rate: 100%\r\n");
}

}  // namespace
