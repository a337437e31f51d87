#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/host_address.h"
#include "platform/icmp_echo.h"
#include "platform/icmp_packet_posix.h"

// Crafted ICMPv6 answers to the echo call, through both kinds of socket:
// the helper of the command-line tests (tests/cli/icmp_responder.py)
// answers every request to ::1 from a raw socket, in a network namespace
// of the child's own where the kernel's echo replies are off.
namespace velmora::platform {
namespace {

struct Outcome {
  bool started = false;
  uint32_t replies = 0;  // answered with success
  uint32_t count = 0;    // of the last call
  uint32_t status = 0;   // of the last call
  char replier[64] = {};
};

const std::string kResponder = std::string(TAVRO_SOURCE_DIR) + "/tests/cli/icmp_responder.py";

bool waitForFile(const std::string& path) {
  struct stat info;
  for (int i = 0; i < 100; ++i) {
    if (stat(path.c_str(), &info) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// In the child: starts the helper, then makes `probes` echo calls.
Outcome probeWithHelper(const std::string& scenario, int probes, uint32_t timeoutMs) {
  Outcome outcome;
  char directory[] = "/tmp/tavro-icmp6.XXXXXX";
  if (mkdtemp(directory) == nullptr) return outcome;
  const std::string ready = std::string(directory) + "/ready";
  const std::string pidFile = std::string(directory) + "/pid";
  const pid_t helper = fork();
  if (helper == 0) {
    execlp("python3", "python3", kResponder.c_str(), scenario.c_str(), ready.c_str(),
           pidFile.c_str(), "ipv6", static_cast<char*>(nullptr));
    _exit(127);
  }
  const std::string me = std::to_string(getpid());
  FILE* named = fopen(pidFile.c_str(), "w");
  if (named != nullptr) {
    fputs(me.c_str(), named);
    fclose(named);
  }
  uint32_t error = 0;
  std::unique_ptr<Icmp6Echo> echo = Icmp6Echo::open(&error);
  if (waitForFile(ready) && echo) {
    outcome.started = true;
    SocketAddress loopback;
    loopback.family = kFamilyIPv6;
    loopback.address[15] = 1;
    for (int i = 0; i < probes; ++i) {
      if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
      Echo6Reply reply;
      outcome.count = echo->send(loopback, "abcd", 4, 256, timeoutMs, &reply);
      outcome.status = reply.status;
      if (outcome.count == 1 && reply.status == 0) ++outcome.replies;
      numericIPv6Text(reply.address).copy(outcome.replier, sizeof outcome.replier - 1);
    }
  }
  kill(helper, SIGTERM);
  waitpid(helper, nullptr, 0);
  unlink(ready.c_str());
  unlink(pidFile.c_str());
  rmdir(directory);
  return outcome;
}

class Icmp6EchoCrafted : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a private network namespace";
    if (std::system("command -v python3 >/dev/null") != 0) GTEST_SKIP() << "python3 is missing";
  }

  Outcome run(const std::string& scenario, int probes = 1, uint32_t timeoutMs = 1500) {
    Outcome outcome;
    int channel[2];
    if (pipe(channel) != 0) return outcome;
    const std::string setup = std::string(
                                  "ip link set lo up && ip addr add ::2/128 dev lo && "
                                  "sysctl -qw net.ipv6.icmp.echo_ignore_all=1 && ") +
                              GetParam();
    const pid_t child = fork();
    if (child == 0) {
      if (unshare(CLONE_NEWNET) != 0 || std::system(setup.c_str()) != 0) _exit(2);
      const Outcome result = probeWithHelper(scenario, probes, timeoutMs);
      _exit(write(channel[1], &result, sizeof result) == sizeof result ? 0 : 3);
    }
    close(channel[1]);
    const ssize_t got = read(channel[0], &outcome, sizeof outcome);
    close(channel[0]);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(got, static_cast<ssize_t>(sizeof outcome)) << scenario;
    EXPECT_TRUE(outcome.started) << scenario;
    return outcome;
  }
};

TEST_P(Icmp6EchoCrafted, OurReplyAndOurErrorCount) {
  Outcome reply = run("reply");
  EXPECT_EQ(reply.replies, 1u);
  EXPECT_STREQ(reply.replier, "::1");
  // A flood of replies to someone else does not push ours out.
  EXPECT_EQ(run("flood").replies, 1u);
  const Outcome error = run("error");
  EXPECT_EQ(error.count, 1u);
  EXPECT_EQ(error.status, icmp::kHostUnreachable);
  EXPECT_STREQ(error.replier, "::1");
}

TEST_P(Icmp6EchoCrafted, WhatIsNotOursTimesOut) {
  for (const char* scenario : {"spoofed", "error-other-destination", "error-other-protocol",
                               "wrong-identifier", "wrong-sequence", "bad-checksum", "truncated"}) {
    SCOPED_TRACE(scenario);
    const Outcome outcome = run(scenario, 1, 500);
    EXPECT_EQ(outcome.count, 0u);
    EXPECT_EQ(outcome.status, icmp::kTimedOut);
  }
}

TEST_P(Icmp6EchoCrafted, ErrorsAboutEarlierRequestsCostNoProbe) {
  for (const char* scenario : {"stray-error", "stray-burst"}) {
    SCOPED_TRACE(scenario);
    EXPECT_EQ(run(scenario, 6).replies, 6u);
  }
}

INSTANTIATE_TEST_SUITE_P(BothSocketKinds, Icmp6EchoCrafted,
                         testing::Values("sysctl -qw net.ipv4.ping_group_range='0 2147483647'",
                                         "sysctl -qw net.ipv4.ping_group_range='1 0'"),
                         [](const auto& info) {
                           return std::string(info.index == 0 ? "Datagram" : "Raw");
                         });

}  // namespace
}  // namespace velmora::platform
