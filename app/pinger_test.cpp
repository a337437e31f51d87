#include "app/pinger.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/inet.h"

namespace {

std::vector<PingResult> successes(std::initializer_list<uint32_t> times) {
  std::vector<PingResult> results;
  for (uint32_t t : times) results.push_back(PingResult{true, t});
  return results;
}

std::vector<PingResult> mixed(int succeeded, int total) {
  std::vector<PingResult> results(static_cast<size_t>(total), PingResult{false, 0});
  for (int i = 0; i < succeeded; ++i) results[static_cast<size_t>(i)] = PingResult{true, 10};
  return results;
}

// The two constructors differ only in their argument types.
std::unique_ptr<Pinger> icmpPinger(const std::string& host, int32_t count) {
  return std::make_unique<Pinger>(host, count, int32_t{32}, uint32_t{150}, false, false);
}

std::unique_ptr<Pinger> tcpPinger(const std::string& host, uint16_t port, int32_t count) {
  return std::make_unique<Pinger>(host, port, uint16_t{2}, count, false, false);
}

TEST(PingStatistics, RunningMeanTruncatesBelowTheExactMean) {
  const PingStatistics s = summarizeResults(successes({45, 5, 52, 17, 7, 43, 34}));
  EXPECT_EQ(s.average, 28);
  EXPECT_EQ(s.minimum, 5);
  EXPECT_EQ(s.maximum, 52);
  EXPECT_EQ(s.rate, 100);
}

TEST(PingStatistics, RateIsComputedInSinglePrecision) {
  EXPECT_EQ(summarizeResults(mixed(1, 3)).rate, 33);
  EXPECT_EQ(summarizeResults(mixed(2, 3)).rate, 66);
  EXPECT_EQ(summarizeResults(mixed(7, 10)).rate, 70);
  EXPECT_EQ(summarizeResults(mixed(53, 100)).rate, 52);
  EXPECT_EQ(summarizeResults(mixed(1, 101)).rate, 0);
}

TEST(PingStatistics, FailedProbesCountOnlyInTheRate) {
  std::vector<PingResult> results = {{false, 900}, {true, 20}, {false, 0}, {true, 40}};
  const PingStatistics s = summarizeResults(results);
  EXPECT_EQ(s.average, 30);
  EXPECT_EQ(s.minimum, 20);
  EXPECT_EQ(s.maximum, 40);
  EXPECT_EQ(s.rate, 50);
}

TEST(PingStatistics, NoSuccessOrNoProbeGivesZeros) {
  for (const auto& results : {mixed(0, 4), std::vector<PingResult>()}) {
    const PingStatistics s = summarizeResults(results);
    EXPECT_EQ(s.average, 0);
    EXPECT_EQ(s.minimum, 0);
    EXPECT_EQ(s.maximum, 0);
    EXPECT_EQ(s.rate, 0);
  }
}

TEST(PingStatistics, LargeTimesAreUnsigned) {
  const PingStatistics s = summarizeResults(successes({3000000000u}));
  EXPECT_EQ(s.rate, 100);
  EXPECT_LT(s.maximum, 0);  // 3e9 does not fit a signed 32-bit result
}

TEST(Pinger, PayloadCyclesThroughTheAlphabet) {
  EXPECT_EQ(Pinger::buildPayload(0), "");
  EXPECT_EQ(Pinger::buildPayload(-5), "");
  EXPECT_EQ(Pinger::buildPayload(30), "abcdefghijklmnopqrstuvwxyzabcd");
  EXPECT_EQ(Pinger::buildPayload(65500).size(), 65500u);
}

TEST(Pinger, StatusTexts) {
  EXPECT_EQ(Pinger::statusText(0), "The status was success.");
  EXPECT_EQ(Pinger::statusText(11010), "The request timed out.");
  EXPECT_EQ(Pinger::statusText(11013), "The time to live (TTL) expired in transit.");
  EXPECT_EQ(Pinger::statusText(11050),
            "A general failure. This error can be returned for some malformed ICMP packets.");
  for (uint32_t unknown : {1u, 11019u, 11049u, 11051u, 0xFFFFFFFFu}) {
    EXPECT_EQ(Pinger::statusText(unknown), "A unknown networking/ICMP error occurred.");
  }
}

velmora::platform::EchoReply reply(const char* from, uint32_t status, uint32_t rtt) {
  velmora::platform::EchoReply r;
  r.address = velmora::platform::inetAddr(from);
  r.status = status;
  r.roundTripTime = rtt;
  r.dataSize = 32;
  r.ttl = 57;
  return r;
}

TEST(PingerEchoReply, SuccessLineNamesReplierAndFigures) {
  const auto owner = icmpPinger("192.0.2.7", 4);
  Pinger& pinger = *owner;
  pinger.recordEchoReply(reply("192.0.2.7", 0, 12), 1);
  EXPECT_TRUE(pinger.lastSucceeded());
  EXPECT_EQ(pinger.lastReply(), "Reply from 192.0.2.7: bytes=32 time=12ms ttl=57 seq=0");
  EXPECT_EQ(pinger.lastError(), "");
  EXPECT_EQ(pinger.statistics().average, 12);
}

TEST(PingerEchoReply, ErrorFromTheNetworkNamesTheRouter) {
  const auto owner = icmpPinger("192.0.2.7", 4);
  Pinger& pinger = *owner;
  pinger.recordEchoReply(reply("198.51.100.1", 11013, 3), 1);
  EXPECT_FALSE(pinger.lastSucceeded());
  EXPECT_EQ(pinger.lastReply(),
            "Reply from 198.51.100.1: The time to live (TTL) expired in transit.");
  EXPECT_EQ(pinger.statistics().rate, 0);
}

TEST(PingerEchoReply, TimeOutKeepsTheFirstErrorText) {
  const auto owner = icmpPinger("192.0.2.7", 4);
  Pinger& pinger = *owner;
  pinger.recordEchoReply(reply("0.0.0.0", 11010, 0), 0);
  EXPECT_EQ(pinger.lastReply(), "The request timed out.");
  EXPECT_EQ(pinger.lastError(), "The request timed out.");
  pinger.recordEchoReply(reply("0.0.0.0", 11003, 0), 0);
  EXPECT_EQ(pinger.lastReply(), "The destination host was unreachable.");
  EXPECT_EQ(pinger.lastError(), "The request timed out.");
}

TEST(PingerEchoReply, ZeroFilledRecordWithoutReplyIsAFailure) {
  const auto owner = icmpPinger("192.0.2.7", 4);
  Pinger& pinger = *owner;
  pinger.recordEchoReply(velmora::platform::EchoReply(), 0);
  EXPECT_FALSE(pinger.lastSucceeded());
  EXPECT_EQ(pinger.lastReply(), Pinger::statusText(11050));
  EXPECT_EQ(pinger.statistics().rate, 0);
}

TEST(Pinger, NumericTargetReadsAsTheAddressAlone) {
  const auto owner = icmpPinger("127.0.0.1", 0);
  Pinger& pinger = *owner;
  EXPECT_TRUE(pinger.prepare());
  EXPECT_EQ(pinger.displayName(), "127.0.0.1");
  EXPECT_EQ(pinger.address(), "127.0.0.1");
  // A count of 0 resolves the target but sends nothing.
  EXPECT_FALSE(pinger.pingNext());
  EXPECT_EQ(pinger.statistics().rate, 0);
}

TEST(Pinger, UnusableTargetIsRefusedWithAReason) {
  const auto owner = icmpPinger("255.255.255.255", 4);
  Pinger& pinger = *owner;
  ASSERT_TRUE(pinger.prepare());
  // inet_addr cannot tell this address from its error value.
  EXPECT_FALSE(pinger.pingNext());
  EXPECT_EQ(pinger.lastError(),
            "Invalid IP address specified, or remote host resolves to an invalid address");
}

TEST(Pinger, FailedTcpProbeCountsAsMadeAndFailed) {
  // Port 1 on loopback: nothing listens there on a test machine.
  const auto owner = tcpPinger("127.0.0.1", 1, 1);
  Pinger& pinger = *owner;
  ASSERT_TRUE(pinger.prepare());
  ASSERT_TRUE(pinger.pingNext());
  EXPECT_FALSE(pinger.lastSucceeded());
  EXPECT_FALSE(pinger.lastReply().empty());
  EXPECT_EQ(pinger.lastError(), "");
  EXPECT_FALSE(pinger.pingNext());  // count 1 reached
  const PingStatistics s = pinger.statistics();
  EXPECT_EQ(s.rate, 0);
  EXPECT_EQ(s.maximum, 0);
}

}  // namespace
