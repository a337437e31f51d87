#include <cstdlib>
#include <utility>

#include "components/ipport/tcp_client_test_support.h"

namespace velmora::components::testing {
namespace {

enum FirewallId { kFirewallAutoDetectId = 6, kFirewallTypeId, kFirewallHostId };
constexpr int kFirewallPortId = 10;

// Sets the proxy variables for one test and restores them afterwards.
class ProxyEnvironmentTest : public TcpClientTest {
 protected:
  void SetUp() override {
    TcpClientTest::SetUp();
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.emplace_back(value != nullptr, value != nullptr ? value : "");
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i].first) {
        setenv(kNames[i], saved_[i].second.c_str(), 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
    TcpClientTest::TearDown();
  }

  static constexpr const char* kNames[] = {"socks_proxy", "ALL_PROXY", "all_proxy"};
  std::vector<std::pair<bool, std::string>> saved_;
};

TEST_F(ProxyEnvironmentTest, SocksVariableSelectsSocks5WithItsPort) {
  setenv("socks_proxy", "socks5://user:pw@127.0.0.2:1081/", 1);
  ASSERT_EQ(set(kFirewallAutoDetectId, 1), 0);
  EXPECT_EQ(get(kFirewallTypeId), 3);
  EXPECT_EQ(getText(kFirewallHostId), "127.0.0.2");
  EXPECT_EQ(get(kFirewallPortId), 1081);
}

TEST_F(ProxyEnvironmentTest, AllProxyCountsOnlyWithASocksScheme) {
  setenv("ALL_PROXY", "http://127.0.0.3:3128", 1);
  set(kFirewallAutoDetectId, 1);
  EXPECT_EQ(get(kFirewallTypeId), 0);
  EXPECT_EQ(getText(kFirewallHostId), "");
  setenv("all_proxy", "socks://127.0.0.4:x", 1);
  unsetenv("ALL_PROXY");
  set(kFirewallAutoDetectId, 1);
  EXPECT_EQ(get(kFirewallTypeId), 3);
  EXPECT_EQ(get(kFirewallPortId), 1080);  // no usable port: the type's default
}

TEST_F(ProxyEnvironmentTest, TurningDetectionOffClearsTheProxy) {
  setenv("socks_proxy", "127.0.0.2:1081", 1);
  set(kFirewallAutoDetectId, 1);
  set(kFirewallAutoDetectId, 0);
  EXPECT_EQ(getText(kFirewallHostId), "");
  EXPECT_EQ(get(kFirewallPortId), 0);
}

}  // namespace
}  // namespace velmora::components::testing
