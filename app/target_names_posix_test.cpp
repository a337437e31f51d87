#include "app/target_names.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/dns_query.h"

namespace {

// The PTR name of 2001:db8::7 (data for the loopback server only).
constexpr char kV6RecordName[] =
    "7.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.b.d.0.1.0.0.2.ip6.arpa";

// A UDP socket bound to a free loopback port; holding it open keeps the
// port reserved and, unread, it is a server that never answers.
class LoopbackUdpSocket {
 public:
  LoopbackUdpSocket() {
    fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  ~LoopbackUdpSocket() { close(fd); }
  LoopbackUdpSocket(const LoopbackUdpSocket&) = delete;
  LoopbackUdpSocket& operator=(const LoopbackUdpSocket&) = delete;

  int fd = -1;
  int port = 0;
};

// dnsmasq on 127.0.0.1 at a free port, authoritative for the reverse zone
// with one PTR record.
class LoopbackDnsServer {
 public:
  LoopbackDnsServer() {
    if (access("/usr/sbin/dnsmasq", X_OK) != 0) return;
    port = LoopbackUdpSocket().port;
    std::vector<std::string> args = {"/usr/sbin/dnsmasq",
                                     "--keep-in-foreground",
                                     "--conf-file=/dev/null",
                                     "--no-resolv",
                                     "--no-hosts",
                                     "--listen-address=127.0.0.1",
                                     "--bind-interfaces",
                                     "--port=" + std::to_string(port),
                                     "--pid-file",
                                     "--user=root",
                                     "--local=/in-addr.arpa/",
                                     "--ptr-record=7.2.0.192.in-addr.arpa,host1.test",
                                     "--local=/ip6.arpa/",
                                     "--ptr-record=" + std::string(kV6RecordName) + ",host6.test"};
    pid = fork();
    if (pid == 0) {
      std::vector<char*> argv;
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    velmora::platform::setDnsServersForTesting("127.0.0.1:" + std::to_string(port));
  }
  ~LoopbackDnsServer() {
    velmora::platform::setDnsServersForTesting("");
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  LoopbackDnsServer(const LoopbackDnsServer&) = delete;
  LoopbackDnsServer& operator=(const LoopbackDnsServer&) = delete;

  // Waits until the server answers at all (NXDOMAIN counts).
  bool ready() const {
    for (int attempt = 0; pid > 0 && attempt < 100; ++attempt) {
      std::string name;
      const uint32_t code = velmora::platform::dnsQueryPtr("1.0.0.10.IN-ADDR.ARPA", &name);
      if (code == 0 || code == 9003) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  pid_t pid = -1;
  int port = 0;
};

class PtrQuery : public testing::Test {
 protected:
  void SetUp() override {
    if (!server.ready()) GTEST_SKIP() << "dnsmasq could not be started on loopback";
  }
  LoopbackDnsServer server;
};

TEST_F(PtrQuery, FindsTheHostNameOfARecordedAddress) {
  std::string name;
  EXPECT_EQ(velmora::platform::dnsQueryPtr("7.2.0.192.IN-ADDR.ARPA", &name), 0u);
  EXPECT_EQ(name, "host1.test");
  EXPECT_EQ(reverseLookup("192.0.2.7"), "host1.test");
}

TEST_F(PtrQuery, AnAddressWithoutRecordStaysAsItIs) {
  std::string name = "unchanged";
  EXPECT_EQ(velmora::platform::dnsQueryPtr("8.2.0.192.IN-ADDR.ARPA", &name), 9003u);
  EXPECT_EQ(name, "unchanged");
  EXPECT_EQ(reverseLookup("192.0.2.8"), "192.0.2.8");
}

TEST_F(PtrQuery, AnIPv6AddressIsLookedUpUnderIp6Arpa) {
  EXPECT_EQ(reverseLookup("2001:db8::7"), "host6.test");
  EXPECT_EQ(reverseLookup("2001:db8::8"), "2001:db8::8");
}

TEST(PtrQueryFailure, ASilentServerEndsInATimeoutWithinSeconds) {
  LoopbackUdpSocket silent;
  velmora::platform::setDnsServersForTesting("127.0.0.1:" + std::to_string(silent.port));
  const auto start = std::chrono::steady_clock::now();
  std::string name;
  const uint32_t code = velmora::platform::dnsQueryPtr("7.2.0.192.IN-ADDR.ARPA", &name);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  velmora::platform::setDnsServersForTesting("");
  EXPECT_EQ(code, 1460u);
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  EXPECT_EQ(name, "");
}

}  // namespace
