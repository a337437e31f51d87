#include "platform/icmp_echo.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/icmp_packet_posix.h"
#include "platform/inet.h"

// Each case runs in a child process inside a network namespace of its own
// with only loopback, so no packet can leave this machine.
namespace velmora::platform {
namespace {

struct ChildResult {
  uint32_t openError = 0;
  uint32_t count = 0;
  EchoReply reply;
  uint32_t second = 0;  // status of a second handle's reply, when asked for
};

const char* const kDatagramPath = "sysctl -qw net.ipv4.ping_group_range='0 2147483647'";
const char* const kRawPath = "sysctl -qw net.ipv4.ping_group_range='1 0'";

bool runInChild(const std::string& setup, uint32_t timeoutMs, bool interleave, ChildResult* out) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    ChildResult result;
    if (unshare(CLONE_NEWNET) != 0 || std::system(setup.c_str()) != 0) _exit(2);
    const uint32_t target = inetAddr("127.0.0.1");
    auto echo = IcmpEcho::open(&result.openError);
    if (echo) {
      auto other = interleave ? IcmpEcho::open(&result.openError) : nullptr;
      EchoReply ignored;
      if (other) other->send(target, "zz", 2, 512, timeoutMs, &ignored);
      result.count =
          echo->send(target, std::string(32, 'a').data(), 32, 512, timeoutMs, &result.reply);
      if (other) {
        other->send(target, "yy", 2, 512, timeoutMs, &ignored);
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

class IcmpEchoPosix : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a private network namespace";
  }
  ChildResult run(const std::string& extra, uint32_t timeoutMs = 1500, bool interleave = false) {
    ChildResult result;
    const std::string setup = std::string("ip link set lo up && ") + GetParam() + extra;
    EXPECT_TRUE(runInChild(setup, timeoutMs, interleave, &result)) << setup;
    EXPECT_EQ(result.openError, 0u);
    return result;
  }
};

TEST_P(IcmpEchoPosix, LoopbackAnswersWithPayloadAndTtl) {
  const ChildResult result = run("");
  EXPECT_EQ(result.count, 1u);
  EXPECT_EQ(result.reply.status, icmp::kSuccess);
  EXPECT_EQ(inetNtoa(result.reply.address), "127.0.0.1");
  EXPECT_EQ(result.reply.dataSize, 32);
  EXPECT_EQ(result.reply.ttl, 64);
  EXPECT_LT(result.reply.roundTripTime, 100u);
}

TEST_P(IcmpEchoPosix, TwoHandlesEachGetTheirOwnReply) {
  const ChildResult result = run("", 1500, true);
  EXPECT_EQ(result.reply.dataSize, 32);
  EXPECT_EQ(result.second, 2u);
}

TEST_P(IcmpEchoPosix, DroppedRequestTimesOutWithZeroedReply) {
  const ChildResult result =
      run(" && iptables -A INPUT -p icmp --icmp-type echo-request -j DROP", 300);
  EXPECT_EQ(result.count, 0u);
  EXPECT_EQ(result.reply.status, icmp::kTimedOut);
  EXPECT_EQ(result.reply.address, 0u);
  EXPECT_EQ(result.reply.roundTripTime, 0u);
}

TEST_P(IcmpEchoPosix, RejectionsBecomeTheirStatusWithTheReplier) {
  const std::pair<const char*, uint32_t> cases[] = {
      {"icmp-net-unreachable", icmp::kNetUnreachable},
      {"icmp-host-unreachable", icmp::kHostUnreachable},
      {"icmp-proto-unreachable", icmp::kProtocolUnreachable},
      {"icmp-port-unreachable", icmp::kPortUnreachable},
      {"icmp-host-prohibited", icmp::kHostUnreachable},
  };
  for (const auto& [reject, status] : cases) {
    SCOPED_TRACE(reject);
    const ChildResult result =
        run(std::string(" && iptables -A INPUT -p icmp --icmp-type echo-request -j REJECT "
                        "--reject-with ") +
            reject);
    EXPECT_EQ(result.count, 1u);
    EXPECT_EQ(result.reply.status, status);
    EXPECT_EQ(inetNtoa(result.reply.address), "127.0.0.1");
    EXPECT_EQ(result.reply.dataSize, 0);
  }
}

TEST_P(IcmpEchoPosix, RefusedSendIsAGeneralFailure) {
  // A firewall drop on output makes the send itself fail.
  const ChildResult result = run(" && iptables -A OUTPUT -p icmp -j DROP");
  EXPECT_EQ(result.count, 0u);
  EXPECT_EQ(result.reply.status, icmp::kGeneralFailure);
}

INSTANTIATE_TEST_SUITE_P(BothSocketKinds, IcmpEchoPosix, testing::Values(kDatagramPath, kRawPath),
                         [](const auto& info) {
                           return std::string(info.param == kDatagramPath ? "Datagram" : "Raw");
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
