#include <cstdlib>

#include "components/ipport/tcp_client_test_support.h"

// Connections through real proxy servers on 127.0.0.1, started by
// tests/scenarios/proxy_real.sh, which passes their ports in TAVRO_PROXY_*;
// without them the tests are skipped.
namespace velmora::components::testing {
namespace {

enum FirewallId {
  kFirewallTypeId = 7,
  kFirewallHostId,
  kFirewallPasswordId,
  kFirewallPortId,
  kFirewallUserId
};

int proxyPort(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::atoi(value) : 0;
}

class RealProxyTest : public TcpClientTest {
 protected:
  // Points the instance at the proxy in `variable`; false when not running.
  bool useProxy(int type, const char* variable, const char* user = "", const char* pw = "") {
    int port = proxyPort(variable);
    if (port == 0) return false;
    set(kFirewallTypeId, type);
    setText(kFirewallHostId, "127.0.0.1");
    set(kFirewallPortId, port);
    setText(kFirewallUserId, user);
    setText(kFirewallPasswordId, pw);
    return true;
  }
  // A target that greets each connection through the tunnel.
  LoopbackPeer& greeter() {
    return makePeer([](PeerSocket& s) {
      s.send("hello");
      s.receiveAll();
    });
  }
  void expectTunnel(int port) {
    ASSERT_EQ(connect("127.0.0.1", port), 0) << lastError();
    EXPECT_TRUE(pumpUntil([this] { return hasEvent("DataIn hello 1"); }, 5000));
    EXPECT_EQ(call(kDisconnectMethod), 0);
  }
};

#define REQUIRE_PROXY(call) \
  if (!(call)) GTEST_SKIP() << "proxy servers not running (see tests/scenarios/proxy_real.sh)"

TEST_F(RealProxyTest, Socks4AndSocks5WithoutAuthentication) {
  REQUIRE_PROXY(useProxy(2, "TAVRO_PROXY_SOCKS", "anyone"));
  expectTunnel(greeter().port());
  port_->events.clear();
  REQUIRE_PROXY(useProxy(3, "TAVRO_PROXY_SOCKS"));
  expectTunnel(greeter().port());
}

TEST_F(RealProxyTest, Socks5WithUserAndPassword) {
  REQUIRE_PROXY(useProxy(3, "TAVRO_PROXY_SOCKS_AUTH", "tavroproxy", "s3cret"));
  expectTunnel(greeter().port());
  useProxy(3, "TAVRO_PROXY_SOCKS_AUTH", "tavroproxy", "wrong");
  EXPECT_EQ(connect("127.0.0.1", greeter().port()), 118);
  EXPECT_EQ(lastError().rfind("firewall authentication failed: ", 0), 0u) << lastError();
  EXPECT_EQ(config("SocketHandle"), "-1");
}

TEST_F(RealProxyTest, Socks5ReportsARefusedTarget) {
  REQUIRE_PROXY(useProxy(3, "TAVRO_PROXY_SOCKS"));
  EXPECT_EQ(connect("127.0.0.1", closedLoopbackPort()), 118);
  EXPECT_EQ(lastError(), "connection refused");
}

TEST_F(RealProxyTest, HttpConnectWithAndWithoutBasic) {
  REQUIRE_PROXY(useProxy(1, "TAVRO_PROXY_HTTP"));
  expectTunnel(greeter().port());
  REQUIRE_PROXY(useProxy(1, "TAVRO_PROXY_HTTP_AUTH", "tavroproxy", "s3cret"));
  expectTunnel(greeter().port());
}

TEST_F(RealProxyTest, HttpProxyRefusesMissingCredentials) {
  REQUIRE_PROXY(useProxy(1, "TAVRO_PROXY_HTTP_AUTH"));
  EXPECT_EQ(connect("127.0.0.1", greeter().port()), 118);
  EXPECT_EQ(lastError().rfind("Firewall error. HTTP/1.0 407 ", 0), 0u) << lastError();
  EXPECT_EQ(get(kConnectedId), 1);  // the proxy connection stays open
}

}  // namespace
}  // namespace velmora::components::testing
