#include "platform/icmp_echo.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/host_address.h"
#include "platform/icmp_packet_posix.h"
#include "platform/inet.h"

// Each case runs in a child process inside a network namespace of its own
// with only loopback, so no packet can leave this machine.
namespace velmora::platform {
namespace {

struct ChildResult {
  uint32_t openError = 0;
  uint32_t count = 0;
  uint32_t status = 0;
  uint32_t roundTripTime = 0;
  uint16_t dataSize = 0;
  uint8_t ttl = 0;
  char replier[64] = {};
  uint32_t second = 0;  // data size of a second handle's reply, when asked for
};

const char* const kDatagramPath = "sysctl -qw net.ipv4.ping_group_range='0 2147483647'";
const char* const kRawPath = "sysctl -qw net.ipv4.ping_group_range='1 0'";

// One echo call through a handle of either family, its record kept as text.
class Prober {
 public:
  Prober(int family, uint32_t* error) {
    if (family == kFamilyIPv6) {
      echo6_ = Icmp6Echo::open(error);
    } else {
      echo_ = IcmpEcho::open(error);
    }
  }
  bool open() const { return echo_ || echo6_; }

  void send(const std::string& data, uint32_t timeoutMs, ChildResult* out) {
    if (echo6_) {
      SocketAddress loopback;
      loopback.family = kFamilyIPv6;
      loopback.address[15] = 1;
      Echo6Reply reply;
      out->count = echo6_->send(loopback, data.data(), static_cast<uint16_t>(data.size()), 512,
                                timeoutMs, &reply);
      out->status = reply.status;
      out->roundTripTime = reply.roundTripTime;
      out->dataSize = reply.dataSize;
      copyText(reply.address.family == kFamilyIPv6 ? numericIPv6Text(reply.address) : "?", out);
      return;
    }
    EchoReply reply;
    out->count = echo_->send(inetAddr("127.0.0.1"), data.data(), static_cast<uint16_t>(data.size()),
                             512, timeoutMs, &reply);
    out->status = reply.status;
    out->roundTripTime = reply.roundTripTime;
    out->dataSize = reply.dataSize;
    out->ttl = reply.ttl;
    copyText(inetNtoa(reply.address), out);
  }

 private:
  static void copyText(const std::string& text, ChildResult* out) {
    text.copy(out->replier, sizeof out->replier - 1);
  }
  std::unique_ptr<IcmpEcho> echo_;
  std::unique_ptr<Icmp6Echo> echo6_;
};

bool runInChild(int family, const std::string& setup, uint32_t timeoutMs, bool interleave,
                ChildResult* out) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    ChildResult result;
    if (unshare(CLONE_NEWNET) != 0 || std::system(setup.c_str()) != 0) _exit(2);
    Prober echo(family, &result.openError);
    if (echo.open()) {
      std::unique_ptr<Prober> other;
      if (interleave) other = std::make_unique<Prober>(family, &result.openError);
      ChildResult ignored;
      if (other) other->send("zz", timeoutMs, &ignored);
      echo.send(std::string(32, 'a'), timeoutMs, &result);
      if (other) {
        other->send("yy", timeoutMs, &ignored);
        result.second = ignored.dataSize;
      }
    }
    ssize_t written = write(channel[1], &result, sizeof result);
    _exit(written == sizeof result ? 0 : 3);
  }
  close(channel[1]);
  const ssize_t got = read(channel[0], out, sizeof *out);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return got == sizeof *out && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Setting {
  const char* path;
  int family;
};

class IcmpEchoPosix : public testing::TestWithParam<Setting> {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a private network namespace";
  }
  bool ipv6() const { return GetParam().family == kFamilyIPv6; }
  const char* loopback() const { return ipv6() ? "::1" : "127.0.0.1"; }
  // The firewall rule that does `action` to echo requests (`direction` INPUT
  // or OUTPUT) of this family.
  std::string rule(const std::string& direction, const std::string& action) const {
    return ipv6()
               ? " && ip6tables -A " + direction + " -p ipv6-icmp --icmpv6-type echo-request -j " +
                     action
               : " && iptables -A " + direction + " -p icmp --icmp-type echo-request -j " + action;
  }
  ChildResult run(const std::string& extra, uint32_t timeoutMs = 1500, bool interleave = false) {
    ChildResult result;
    const std::string setup = std::string("ip link set lo up && ") + GetParam().path + extra;
    EXPECT_TRUE(runInChild(GetParam().family, setup, timeoutMs, interleave, &result)) << setup;
    EXPECT_EQ(result.openError, 0u);
    return result;
  }
};

TEST_P(IcmpEchoPosix, LoopbackAnswersWithPayloadAndTtl) {
  const ChildResult result = run("");
  EXPECT_EQ(result.count, 1u);
  EXPECT_EQ(result.status, icmp::kSuccess);
  EXPECT_STREQ(result.replier, loopback());
  EXPECT_EQ(result.dataSize, 32);
  // The IPv6 record has no hop limit.
  EXPECT_EQ(result.ttl, ipv6() ? 0 : 64);
  EXPECT_LT(result.roundTripTime, 100u);
}

TEST_P(IcmpEchoPosix, TwoHandlesEachGetTheirOwnReply) {
  const ChildResult result = run("", 1500, true);
  EXPECT_EQ(result.dataSize, 32);
  EXPECT_EQ(result.second, 2u);
}

TEST_P(IcmpEchoPosix, DroppedRequestTimesOutWithZeroedReply) {
  const ChildResult result = run(rule("INPUT", "DROP"), 300);
  EXPECT_EQ(result.count, 0u);
  EXPECT_EQ(result.status, icmp::kTimedOut);
  EXPECT_STREQ(result.replier, ipv6() ? "::" : "0.0.0.0");
  EXPECT_EQ(result.roundTripTime, 0u);
}

TEST_P(IcmpEchoPosix, RejectionsBecomeTheirStatusWithTheReplier) {
  const std::pair<const char*, uint32_t> ipv4[] = {
      {"icmp-net-unreachable", icmp::kNetUnreachable},
      {"icmp-host-unreachable", icmp::kHostUnreachable},
      {"icmp-proto-unreachable", icmp::kProtocolUnreachable},
      {"icmp-port-unreachable", icmp::kPortUnreachable},
      {"icmp-host-prohibited", icmp::kHostUnreachable},
  };
  const std::pair<const char*, uint32_t> ipv6Cases[] = {
      {"icmp6-no-route", icmp::kNetUnreachable},
      {"icmp6-adm-prohibited", icmp::kProtocolUnreachable},
      {"icmp6-addr-unreachable", icmp::kHostUnreachable},
      {"icmp6-port-unreachable", icmp::kPortUnreachable},
  };
  std::vector<std::pair<const char*, uint32_t>> cases(std::begin(ipv4), std::end(ipv4));
  if (ipv6()) cases.assign(std::begin(ipv6Cases), std::end(ipv6Cases));
  for (const auto& [reject, status] : cases) {
    SCOPED_TRACE(reject);
    const ChildResult result = run(rule("INPUT", std::string("REJECT --reject-with ") + reject));
    EXPECT_EQ(result.count, 1u);
    EXPECT_EQ(result.status, status);
    EXPECT_STREQ(result.replier, loopback());
    EXPECT_EQ(result.dataSize, 0);
  }
}

TEST_P(IcmpEchoPosix, RefusedSendIsAGeneralFailure) {
  // A firewall drop on output makes the send itself fail, except on an
  // ICMPv6 datagram socket: Linux drops the result of its last step, so
  // the request is lost unseen and the probe times out.
  const bool silent = ipv6() && GetParam().path == kDatagramPath;
  const ChildResult result = run(rule("OUTPUT", "DROP"), 300);
  EXPECT_EQ(result.count, 0u);
  EXPECT_EQ(result.status, silent ? icmp::kTimedOut : icmp::kGeneralFailure);
}

INSTANTIATE_TEST_SUITE_P(
    BothSocketKinds, IcmpEchoPosix,
    testing::Values(Setting{kDatagramPath, kFamilyIPv4}, Setting{kRawPath, kFamilyIPv4},
                    Setting{kDatagramPath, kFamilyIPv6}, Setting{kRawPath, kFamilyIPv6}),
    [](const auto& info) {
      return std::string(info.param.path == kDatagramPath ? "Datagram" : "Raw") +
             (info.param.family == kFamilyIPv6 ? "6" : "4");
    });

TEST(IcmpEchoPosixOpen, NeitherSocketKindAllowedGivesPermissionError) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to drop the capability in a child";
  ChildResult result;
  // Without CAP_NET_RAW and outside ping_group_range nothing may be opened.
  const std::string setup = std::string(kRawPath) + " && true";
  int channel[2];
  ASSERT_EQ(pipe(channel), 0);
  const pid_t child = fork();
  if (child == 0) {
    if (unshare(CLONE_NEWNET) != 0 || std::system(setup.c_str()) != 0 || setgid(65534) != 0 ||
        setuid(65534) != 0) {
      _exit(2);
    }
    IcmpEcho::open(&result.openError);
    uint32_t error6 = 0;
    Icmp6Echo::open(&error6);
    if (error6 != result.openError) result.openError = 0;
    _exit(write(channel[1], &result, sizeof result) == sizeof result ? 0 : 3);
  }
  close(channel[1]);
  ASSERT_EQ(read(channel[0], &result, sizeof result), static_cast<ssize_t>(sizeof result));
  close(channel[0]);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(result.openError, 1314u);
}

}  // namespace
}  // namespace velmora::platform
