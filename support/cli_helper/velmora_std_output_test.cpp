#include "support/cli_helper/velmora_std_output.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace velmora::cli_helper {
namespace {

TEST(VelmoraStdOutput, NarrowingKeepsTheLowByte) {
  EXPECT_EQ(narrowLowBytes(u"tavro\u00e9"), "tavro\xe9");
  EXPECT_EQ(narrowLowBytes(u"A\u2122B"),
            "A\x22"
            "B");
}

TEST(VelmoraStdOutput, CommaBlankBecomesDot) {
  EXPECT_EQ(dotVersion("2, 1, 2, 1"), "2.1.2.1");
  EXPECT_EQ(dotVersion("1.2.0"), "1.2.0");
  EXPECT_EQ(dotVersion(", , "), "..");
  EXPECT_EQ(dotVersion("1,,  2"), "1,. 2");
  EXPECT_EQ(dotVersion("1,2 ,3"), "1,2 ,3");
}

TEST(VelmoraStdOutput, BannerFromResourceStrings) {
  windows_specific::FormattedVersionInfo info;
  info.internalName = u"tavro";
  info.productName = u"Pinger\u2122";
  info.productVersion = u"2, 1, 2, 1";
  info.legalCopyright = u"(c) 2026";
  info.companyName = u"Somebody";
  info.fileDescription = u"Console ping";
  VelmoraStdOutput output(info);
  EXPECT_EQ(output.banner(),
            "tavro (Pinger\x22) v2.1.2.1\n(c) 2026 Somebody\n" + std::string(42, '-') + "\n");
  EXPECT_EQ(output.description(), "Console ping");
}

// Keeps what would go to standard output.
class CollectingOutput : public VelmoraStdOutput {
 public:
  explicit CollectingOutput(const windows_specific::FormattedVersionInfo& info)
      : VelmoraStdOutput(info) {}
  std::vector<std::string> written;

 protected:
  void write(const std::string& text) override { written.push_back(text); }
};

TEST(VelmoraStdOutput, UsageAndBannerGoOutInOneWriteEach) {
  windows_specific::FormattedVersionInfo info;
  info.internalName = u"tavro";
  CollectingOutput output(info);
  TCLAP::CmdLine cmd("Console ping", ' ', "1.2", true);
  std::ostringstream elsewhere;
  std::streambuf* const original = std::cout.rdbuf(elsewhere.rdbuf());
  output.usage(cmd);
  output.version(cmd);
  std::cout.rdbuf(original);
  EXPECT_EQ(elsewhere.str(), "") << "written past write()";
  ASSERT_EQ(output.written.size(), 2u);
  EXPECT_NE(output.written[0].find("USAGE:"), std::string::npos) << output.written[0];
  EXPECT_NE(output.written[0].find("Console ping"), std::string::npos) << output.written[0];
  EXPECT_EQ(output.written[1], output.banner());
}

TEST(VelmoraStdOutput, EmptyResourceGivesSkeletonBanner) {
  VelmoraStdOutput output{windows_specific::FormattedVersionInfo()};
  EXPECT_EQ(output.banner(), " () v\n \n" + std::string(42, '-') + "\n");
}

}  // namespace
}  // namespace velmora::cli_helper
