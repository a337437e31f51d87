#include "app/pinger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "platform/host_address.h"
#include "platform/inet.h"
#include "velmora_components.h"

namespace {

PingTally tally(const std::vector<PingResult>& results) {
  PingTally t;
  for (const PingResult& r : results) t.push_back(r);
  return t;
}

std::vector<PingResult> successes(std::initializer_list<uint32_t> times) {
  std::vector<PingResult> results;
  for (uint32_t t : times) results.push_back(PingResult{true, t});
  return results;
}

PingStatistics summarize(const std::vector<PingResult>& results) {
  return summarizeResults(tally(results));
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
  const PingStatistics s = summarize(successes({45, 5, 52, 17, 7, 43, 34}));
  EXPECT_EQ(s.average, 28);
  EXPECT_EQ(s.minimum, 5);
  EXPECT_EQ(s.maximum, 52);
  EXPECT_EQ(s.rate, 100);
}

TEST(PingStatistics, RateIsComputedInSinglePrecision) {
  EXPECT_EQ(summarize(mixed(1, 3)).rate, 33);
  EXPECT_EQ(summarize(mixed(2, 3)).rate, 66);
  EXPECT_EQ(summarize(mixed(7, 10)).rate, 70);
  EXPECT_EQ(summarize(mixed(53, 100)).rate, 52);
  EXPECT_EQ(summarize(mixed(1, 101)).rate, 0);
}

TEST(PingStatistics, FailedProbesCountOnlyInTheRate) {
  std::vector<PingResult> results = {{false, 900}, {true, 20}, {false, 0}, {true, 40}};
  const PingStatistics s = summarize(results);
  EXPECT_EQ(s.average, 30);
  EXPECT_EQ(s.minimum, 20);
  EXPECT_EQ(s.maximum, 40);
  EXPECT_EQ(s.rate, 50);
}

TEST(PingStatistics, NoSuccessOrNoProbeGivesZeros) {
  for (const auto& results : {mixed(0, 4), std::vector<PingResult>()}) {
    const PingStatistics s = summarize(results);
    EXPECT_EQ(s.average, 0);
    EXPECT_EQ(s.minimum, 0);
    EXPECT_EQ(s.maximum, 0);
    EXPECT_EQ(s.rate, 0);
  }
}

TEST(PingStatistics, LargeTimesAreUnsigned) {
  const PingStatistics s = summarize(successes({3000000000u}));
  EXPECT_EQ(s.rate, 100);
  EXPECT_LT(s.maximum, 0);  // 3e9 does not fit a signed 32-bit result
}

// The summary as it was computed from the whole list of results, kept as the
// reference the tally must match figure for figure.
PingStatistics summaryOfTheWholeList(const std::vector<PingResult>& results) {
  PingStatistics s;
  if (results.empty()) return s;
  std::vector<double> times;
  for (const PingResult& r : results) {
    if (r.success) times.push_back(static_cast<double>(r.milliseconds));
  }
  std::sort(times.begin(), times.end());
  double minimum = times.empty() ? 0 : times.front();
  double maximum = minimum;
  double mean = 0;
  for (size_t k = 0; k < times.size(); ++k) {
    const double x = times[k];
    minimum = std::min(minimum, x);
    maximum = std::max(maximum, x);
    mean = ((x - mean) / static_cast<double>(k + 1)) + mean;
  }
  s.average = static_cast<int32_t>(mean);
  s.minimum = static_cast<int32_t>(minimum);
  s.maximum = static_cast<int32_t>(maximum);
  const volatile float quotient =
      static_cast<float>(times.size()) / static_cast<float>(results.size());
  const volatile float percent = quotient * 100.0f;
  s.rate = static_cast<int32_t>(percent);
  return s;
}

::testing::AssertionResult summariesAgree(const std::vector<PingResult>& results) {
  const PingStatistics want = summaryOfTheWholeList(results);
  const PingStatistics got = summarize(results);
  if (got.average == want.average && got.minimum == want.minimum && got.maximum == want.maximum &&
      got.rate == want.rate) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << results.size() << " probes: tally gives " << got.average << "/" << got.minimum << "/"
         << got.maximum << "/" << got.rate << ", the whole list " << want.average << "/"
         << want.minimum << "/" << want.maximum << "/" << want.rate;
}

// Round-trip times drawn around a base: loopback (0 to 2 ms), anything an
// echo wait can see, or a few values near a large base, where the running
// mean soon stops moving and the tally's early end of a run is taken.
struct TimeShape {
  uint32_t base;
  uint32_t spread;
};

std::vector<PingResult> randomRun(std::mt19937_64& random, size_t probes, double replied,
                                  TimeShape shape) {
  std::bernoulli_distribution success(replied);
  std::uniform_int_distribution<uint32_t> offset(0, shape.spread);
  std::vector<PingResult> results;
  results.reserve(probes);
  for (size_t i = 0; i < probes; ++i) {
    const bool ok = success(random);
    // A failed probe's time is whatever it recorded; it must not count.
    results.push_back(PingResult{ok, shape.base + offset(random)});
  }
  return results;
}

TEST(PingStatistics, TallyMatchesTheWholeListOnRandomRuns) {
  std::mt19937_64 random(20261210);
  std::uniform_int_distribution<uint32_t> anyBase(0, 0xFFFFFFF0u);
  const double replied[] = {0.0, 0.01, 0.5, 0.97, 1.0};
  for (int run = 0; run < 3000; ++run) {
    const TimeShape shapes[] = {{0, 2}, {0, 1500}, {anyBase(random), 3}, {0xFFFFFFF0u, 15}};
    const size_t probes = std::uniform_int_distribution<size_t>(0, 300)(random);
    const double share = replied[run % 5];
    const TimeShape shape = shapes[(run / 5) % 4];
    ASSERT_TRUE(summariesAgree(randomRun(random, probes, share, shape))) << "run " << run;
  }
}

TEST(PingStatistics, TallyMatchesTheWholeListOnLongRuns) {
  std::mt19937_64 random(5);
  // A loopback loop, a distant host, a large base whose mean stalls, and a
  // run with only a sprinkle of replies.
  EXPECT_TRUE(summariesAgree(randomRun(random, 1000000, 0.999, {0, 1})));
  EXPECT_TRUE(summariesAgree(randomRun(random, 1000000, 0.9, {20, 1480})));
  EXPECT_TRUE(summariesAgree(randomRun(random, 300000, 1.0, {3000000000u, 1})));
  EXPECT_TRUE(summariesAgree(randomRun(random, 300000, 0.0001, {7, 2})));
  // One 0 ms reply before half a million of 1 ms: the mean moves at every
  // step of the long run, which the tally must take one by one.
  std::vector<PingResult> results(500000, PingResult{true, 1});
  results.push_back(PingResult{true, 0});
  EXPECT_TRUE(summariesAgree(results));
}

TEST(PingStatistics, TallyMatchesTheWholeListOnEveryRateUpTo400Probes) {
  for (int total = 1; total <= 400; ++total) {
    for (int succeeded = 0; succeeded <= total; ++succeeded) {
      ASSERT_TRUE(summariesAgree(mixed(succeeded, total))) << succeeded << " of " << total;
    }
  }
}

TEST(PingTally, HoldsOneEntryPerDistinctTime) {
  PingTally t;
  for (uint32_t i = 0; i < 1000000; ++i) t.push_back(PingResult{i % 10 != 0, i % 3});
  t.push_back(PingResult{false, 77});
  EXPECT_EQ(t.probes(), 1000001u);
  EXPECT_EQ(t.replies(), 900000u);
  ASSERT_EQ(t.replyTimes().size(), 3u);
  EXPECT_EQ(t.replyTimes().begin()->first, 0u);
  EXPECT_EQ(t.replyTimes().rbegin()->first, 2u);
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

velmora::platform::Echo6Reply reply6(const char* from, uint32_t status, uint32_t rtt) {
  velmora::platform::Echo6Reply r;
  EXPECT_TRUE(velmora::platform::numericIPv6Address(from, &r.address)) << from;
  r.status = status;
  r.roundTripTime = rtt;
  r.dataSize = 32;
  return r;
}

TEST(PingerEcho6Reply, SuccessLineHasNoTtlField) {
  const auto owner = icmpPinger("fd77::2", 4);
  Pinger& pinger = *owner;
  pinger.recordEcho6Reply(reply6("fd77::2", 0, 3), 1);
  EXPECT_TRUE(pinger.lastSucceeded());
  EXPECT_EQ(pinger.lastReply(), "Reply from fd77::2: bytes=32 time=3ms seq=0");
  EXPECT_EQ(pinger.statistics().average, 3);
}

TEST(PingerEcho6Reply, ErrorFromTheNetworkNamesTheRouter) {
  const auto owner = icmpPinger("fd77::2", 4);
  Pinger& pinger = *owner;
  pinger.recordEcho6Reply(reply6("fd77::fe", 11013, 0), 1);
  EXPECT_FALSE(pinger.lastSucceeded());
  EXPECT_EQ(pinger.lastReply(), "Reply from fd77::fe: The time to live (TTL) expired in transit.");
  pinger.recordEcho6Reply(velmora::platform::Echo6Reply(), 0);
  EXPECT_EQ(pinger.lastReply(), Pinger::statusText(11050)) << "a zero-filled record is a failure";
}

TEST(Pinger, IPv6AddressReadsAsTheAddressAlone) {
  const auto owner = icmpPinger("::1", 0);
  Pinger& pinger = *owner;
  EXPECT_TRUE(pinger.prepare());
  EXPECT_EQ(pinger.displayName(), "::1");
  EXPECT_FALSE(pinger.pingNext());
}

// As the driver runs it: the component library is initialised around it.
TEST(Pinger, TcpProbeOverIPv6GivesTheComponentsText) {
  IPPort_StaticInit(nullptr);
  {
    const auto owner = tcpPinger("::1", 1, 1);
    Pinger& pinger = *owner;
    ASSERT_TRUE(pinger.prepare());
    ASSERT_TRUE(pinger.pingNext());
    EXPECT_FALSE(pinger.lastSucceeded());
    EXPECT_EQ(pinger.lastReply(), "[10061] Connection refused");
  }
  IPPort_StaticDestroy();
}

}  // namespace
