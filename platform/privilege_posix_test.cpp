#include "platform/privilege.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "platform/icmp_echo.h"
#include "platform/icmp_packet_posix.h"
#include "platform/inet.h"

// Each case runs in a child process inside a network namespace of its own
// with only loopback, so no packet can leave this machine and the test
// process keeps its own privileges.
namespace velmora::platform {
namespace {

const char* const kDatagramPath = "sysctl -qw net.ipv4.ping_group_range='0 2147483647'";
const char* const kRawPath = "sysctl -qw net.ipv4.ping_group_range='1 0'";

// Runs `body` in a child after `setup`; returns what it found wrong, empty
// when nothing.
std::string inChild(const std::string& setup, const std::function<std::string()>& body) {
  int channel[2];
  if (pipe(channel) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    std::string found = "setup failed";
    if (unshare(CLONE_NEWNET) == 0 && std::system(("ip link set lo up && " + setup).c_str()) == 0) {
      found = body();
    }
    const bool written =
        write(channel[1], found.data(), found.size()) == static_cast<ssize_t>(found.size());
    _exit(written ? 0 : 3);
  }
  close(channel[1]);
  std::string found;
  char chunk[256];
  ssize_t got;
  while ((got = read(channel[0], chunk, sizeof chunk)) > 0) found.append(chunk, got);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) found += " (child failed)";
  return found;
}

// The capability lines of /proc/self/status that are not all zero.
std::string capabilitiesLeft() {
  std::ifstream status("/proc/self/status");
  std::string line, left;
  while (std::getline(status, line)) {
    if (line.rfind("Cap", 0) != 0) continue;
    if (line.find_first_not_of("0", line.find_first_not_of(" \t", line.find(':') + 1)) !=
        std::string::npos) {
      left += line + "; ";
    }
  }
  return left;
}

std::string probeLoopback() {
  uint32_t error = 0;
  auto echo = IcmpEcho::open(&error);
  if (!echo) return "open failed with " + std::to_string(error) + "; ";
  EchoReply reply;
  const uint32_t count = echo->send(inetAddr("127.0.0.1"), "abcd", 4, 512, 1500, &reply);
  if (count != 1 || reply.status != icmp::kSuccess || reply.dataSize != 4) {
    return "no reply (status " + std::to_string(reply.status) + "); ";
  }
  return "";
}

class PrivilegeDrop : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a private network namespace";
  }
};

TEST_P(PrivilegeDrop, RootKeepsNoCapabilityButProbesThroughTheHeldSocket) {
  const std::string found = inChild(GetParam(), [] {
    if (!openPrivilegedHandlesAndDropPrivileges()) return std::string("drop refused");
    std::string wrong = capabilitiesLeft();
    const int raw = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (raw >= 0) wrong += "a raw socket could still be opened; ";
    // Each handle closes on leaving probeLoopback; the held socket must not.
    wrong += probeLoopback();
    wrong += probeLoopback();
    return wrong;
  });
  EXPECT_EQ(found, "");
}

TEST_P(PrivilegeDrop, ReleasedSocketLeavesHandlesToOpenTheirOwn) {
  const std::string found = inChild(GetParam(), [] {
    IcmpEcho::hold();
    IcmpEcho::release();
    return probeLoopback();
  });
  EXPECT_EQ(found, "");
}

INSTANTIATE_TEST_SUITE_P(BothSocketKinds, PrivilegeDrop, testing::Values(kDatagramPath, kRawPath),
                         [](const auto& info) {
                           return std::string(info.param == kDatagramPath ? "Datagram" : "Raw");
                         });

TEST(PrivilegeDropWithoutRight, EveryHandleReportsTheFailureOfTheStart) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user in a child";
  const std::string found = inChild(kRawPath, [] {
    if (setgid(65534) != 0 || setuid(65534) != 0) return std::string("could not change user");
    if (!openPrivilegedHandlesAndDropPrivileges()) return std::string("drop refused");
    std::string wrong;
    for (int i = 0; i < 2; ++i) {
      uint32_t error = 0;
      if (IcmpEcho::open(&error) != nullptr || error != 1314) {
        wrong += "open gave " + std::to_string(error) + "; ";
      }
    }
    return wrong;
  });
  EXPECT_EQ(found, "");
}

}  // namespace
}  // namespace velmora::platform
