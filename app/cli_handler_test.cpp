#include "app/cli_handler.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Builds a CliHandler from words as they would follow the program name.
class CommandLine {
 public:
  CommandLine(std::initializer_list<const char*> words) {
    storage_.push_back("tavro");
    storage_.insert(storage_.end(), words.begin(), words.end());
    for (std::string& s : storage_) argv_.push_back(&s[0]);
  }
  std::unique_ptr<CliHandler> parse() {
    return std::make_unique<CliHandler>(velmora::windows_specific::FormattedVersionInfo(),
                                        static_cast<int>(argv_.size()), argv_.data());
  }

 private:
  std::vector<std::string> storage_;
  std::vector<char*> argv_;
};

TEST(SplitProbeTarget, HostAloneIsIcmpMode) {
  const ProbeTarget t = splitProbeTarget("server");
  EXPECT_EQ(t.host, "server");
  EXPECT_EQ(t.port, 0);
}

TEST(SplitProbeTarget, TwoPartsGiveTcpMode) {
  EXPECT_EQ(splitProbeTarget("server:80").host, "server");
  EXPECT_EQ(splitProbeTarget("server:80").port, 80);
  EXPECT_EQ(splitProbeTarget("a:080").host, "a");
  EXPECT_EQ(splitProbeTarget("a:080").port, 80);
}

// An IPv6 address is decided on before the split: its colons are no port.
TEST(SplitProbeTarget, IPv6FormsComeBeforeTheSplit) {
  EXPECT_EQ(splitProbeTarget("fe80::1").host, "fe80::1");
  EXPECT_EQ(splitProbeTarget("fe80::1").port, 0);
  EXPECT_EQ(splitProbeTarget("a::80").host, "a::80") << "an address, not host a and port 80";
  EXPECT_EQ(splitProbeTarget("a::80").port, 0);
  EXPECT_EQ(splitProbeTarget("[::1]").host, "::1");
  EXPECT_EQ(splitProbeTarget("[::1]").port, 0);
  EXPECT_EQ(splitProbeTarget("[::1]:22").host, "::1");
  EXPECT_EQ(splitProbeTarget("[::1]:22").port, 22);
  EXPECT_EQ(splitProbeTarget("[::1]:70000").port, 4464) << "read as for host:port";
  EXPECT_FALSE(splitProbeTarget("[::1]:22").unknownHost);
  EXPECT_TRUE(splitProbeTarget("[server]:22").unknownHost);
  EXPECT_EQ(splitProbeTarget("[server]:22").port, 0);
}

TEST(SplitProbeTarget, OtherSplitsGiveAnEmptyIcmpTarget) {
  for (const char* text : {"server:", ":80", "a:b:c", ":"}) {
    const ProbeTarget t = splitProbeTarget(text);
    EXPECT_EQ(t.host, "") << text;
    EXPECT_EQ(t.port, 0) << text;
  }
}

TEST(SplitProbeTarget, PortReadsLikeStrtolCutTo16Bits) {
  EXPECT_EQ(splitProbeTarget("server:abc").port, 0);
  EXPECT_EQ(splitProbeTarget("server:0").port, 0);
  EXPECT_EQ(splitProbeTarget("server:70000").port, 4464);
  EXPECT_EQ(splitProbeTarget("server:-1").port, 65535);
  EXPECT_EQ(splitProbeTarget("server:80x").port, 80);
  EXPECT_EQ(splitProbeTarget("server: +443").port, 443);
}

TEST(ConsoleCtrlHandler, ConsumesControlCAndBreakOnly) {
  stopRequested = false;
  EXPECT_FALSE(consoleCtrlHandler(2));  // console closed
  EXPECT_FALSE(stopRequested);
  EXPECT_TRUE(consoleCtrlHandler(1));
  EXPECT_TRUE(stopRequested);
  EXPECT_TRUE(consoleCtrlHandler(0));
  stopRequested = false;
}

// The cases below give every option they check, so stored defaults of the
// user running the tests cannot change the outcome.
TEST(CliHandlerOptions, ValuesReachTheirFields) {
  auto h = CommandLine({"/count", "10", "/s", "100", "/d", "5", "/p", "2", "/f", "4", "/u", "/a",
                        "server:80"})
               .parse();
  EXPECT_EQ(h->count, 10);
  EXPECT_EQ(h->size, 100);
  EXPECT_EQ(h->delay, 5);
  EXPECT_EQ(h->soundSuccess, 2);
  EXPECT_EQ(h->soundFailure, 4);
  EXPECT_TRUE(h->comment);
  EXPECT_TRUE(h->resolveAddresses);
  EXPECT_EQ(h->host, "server:80");
  EXPECT_FALSE(h->defaultSet);
  EXPECT_FALSE(h->defaultClear);
}

TEST(CliHandlerOptions, ShortAndLongNamesAreTheSame) {
  EXPECT_EQ(CommandLine({"/c", "7", "h"}).parse()->count, 7);
  EXPECT_EQ(CommandLine({"/count", "7", "h"}).parse()->count, 7);
}

TEST(CliHandlerOptions, TimeoutKeepsItsLow16Bits) {
  EXPECT_EQ(CommandLine({"/t", "65538", "h"}).parse()->tcpTimeout, 2);
  EXPECT_EQ(CommandLine({"/tcptimeout", "9", "h"}).parse()->tcpTimeout, 9);
  EXPECT_EQ(CommandLine({"h"}).parse()->tcpTimeout, 2);
  EXPECT_FALSE(CommandLine({"h"}).parse()->resolveAddresses);
}

TEST(CliHandlerOptions, BriefWinsOverVerboseAndLoopWinsOverBrief) {
  EXPECT_TRUE(CommandLine({"/brief", "/verbose", "h"}).parse()->brief);
  EXPECT_FALSE(CommandLine({"/verbose", "h"}).parse()->brief);
  EXPECT_TRUE(CommandLine({"/b", "h"}).parse()->brief);
  auto looping = CommandLine({"/loop", "/brief", "h"}).parse();
  EXPECT_TRUE(looping->loop);
  EXPECT_FALSE(looping->brief);
}

TEST(CliHandlerOptions, UnusableValuesAreRefusedForTheModeThatUsesThem) {
  const ProbeTarget icmp = splitProbeTarget("h");
  const ProbeTarget tcp = splitProbeTarget("h:80");
  auto h = CommandLine({"/s", "65500", "/d", "0", "/t", "1", "h"}).parse();
  EXPECT_EQ(h->invalidOption(icmp), "");
  EXPECT_EQ(h->invalidOption(tcp), "");
  for (int32_t size : {-1, 65501}) {
    h->size = size;
    EXPECT_EQ(h->invalidOption(icmp), "Packet size must be between 0 and 65500 bytes.");
    EXPECT_EQ(h->invalidOption(tcp), "");  // TCP probes send no payload
  }
  h->size = 0;
  h->delay = -1;
  EXPECT_EQ(h->invalidOption(icmp), "Delay between packets must not be negative.");
  EXPECT_EQ(h->invalidOption(tcp), "");  // TCP mode uses its own fixed delay
  // "/t 65536" keeps the low 16 bits, which are 0.
  h = CommandLine({"/t", "65536", "h:80"}).parse();
  EXPECT_EQ(h->invalidOption(tcp), "TCP timeout must be between 1 and 65535 seconds.");
}

using CliHandlerDeathTest = ::testing::Test;

TEST_F(CliHandlerDeathTest, ParseErrorsEndWithCodeOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(CommandLine({}).parse(), ::testing::ExitedWithCode(1),
              "Required argument missing: host");
  EXPECT_EXIT(CommandLine({"/p", "5", "h"}).parse(), ::testing::ExitedWithCode(1),
              "does not meet constraint: 1.2.3.4");
  EXPECT_EXIT(CommandLine({"/C", "10", "h"}).parse(), ::testing::ExitedWithCode(1),
              "Couldn't find match for argument");
  EXPECT_EXIT(CommandLine({"/c", "x", "h"}).parse(), ::testing::ExitedWithCode(1),
              "Couldn't read argument value");
  EXPECT_EXIT(CommandLine({"/c", "1", "/c", "2", "h"}).parse(), ::testing::ExitedWithCode(1),
              "Argument already set");
  EXPECT_EXIT(CommandLine({"/h", "h"}).parse(), ::testing::ExitedWithCode(1),
              "Couldn't find match for argument");
}

TEST_F(CliHandlerDeathTest, HelpAndVersionEndWithCodeZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(CommandLine({"/?"}).parse(), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(CommandLine({"/help"}).parse(), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(CommandLine({"/version"}).parse(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
