#include "components/ipport/tcp_client.h"

#include "components/ipport/tcp_client_test_support.h"

namespace velmora::components::testing {
namespace {

using Events = std::vector<std::string>;

// A 64-byte label cannot be put into a DNS query, so a lookup of this name
// fails on this machine without asking any server.
const std::string kUnresolvableName = std::string(64, 'a') + ".test";

TEST_F(TcpClientTest, BlockingConnectAndDisconnectRaiseTheirEventsInOrder) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) { s.receiveAll(); });
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  EXPECT_EQ(get(kConnectedId), 1);
  EXPECT_EQ(getText(kRemoteHostId), "127.0.0.1");
  EXPECT_EQ(get(kRemotePortId), peer.port());
  EXPECT_NE(get(kLocalPortId), 0);  // the port the socket is bound to
  EXPECT_EQ(getText(kLocalHostId), "127.0.0.1");

  EXPECT_EQ(call(kDisconnectMethod), 0);
  EXPECT_EQ(port_->significant(),
            (Events{"Status Remote host connection complete. 0 OK", "Connected 0 OK",
                    "Status Remote host disconnected. 0 OK", "Disconnected 0 OK"}));
  EXPECT_EQ(get(kConnectedId), 0);
  EXPECT_EQ(config("SocketHandle"), "-1");

  port_->events.clear();
  EXPECT_EQ(call(kDisconnectMethod), 0);  // idle: nothing to close
  EXPECT_TRUE(port_->events.empty());
}

TEST_F(TcpClientTest, RefusedPortGives10061WithoutConnectionStatus) {
  EXPECT_EQ(connectLoopback(closedLoopbackPort()), 10061);
  EXPECT_EQ(lastError(), "[10061] Connection refused");
  EXPECT_EQ(IPPort_GetLastErrorCode(h_), 10061);
  EXPECT_EQ(port_->significant(), (Events{"Connected 10061 [10061] Connection refused"}));
  EXPECT_EQ(config("SocketHandle"), "-1");  // a failed attempt leaves no socket
  EXPECT_EQ(get(kReceiveEnabledId), 1);
}

TEST_F(TcpClientTest, ArgumentsAreCheckedBeforeAnySocketExists) {
  EXPECT_EQ(connectLoopback(0), 116);
  EXPECT_EQ(lastError(), "RemotePort can't be zero. Please specify a valid service port number.");
  EXPECT_EQ(connect("", 80), 102);
  EXPECT_EQ(lastError(), "The RemoteHost address is invalid (0.0.0.0).");
  EXPECT_EQ(config("SocketHandle"), "-1");
  EXPECT_TRUE(port_->events.empty());
}

TEST_F(TcpClientTest, UnresolvableNameFailsWithTheLookupCodeBeforeAnySocket) {
  ASSERT_EQ(setText(kRemoteHostId, "127.0.0.1"), 0);
  EXPECT_EQ(connect(kUnresolvableName.c_str(), 80), 11001);
  EXPECT_EQ(lastError(), "[11001] Host not found");
  EXPECT_EQ(getText(kRemoteHostId), "");  // the earlier address is gone
  EXPECT_EQ(config("SocketHandle"), "-1");
  EXPECT_EQ(get(kConnectedId), 0);
  EXPECT_TRUE(port_->events.empty());
}

TEST_F(TcpClientTest, EndpointsCannotChangeWhileConnected) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) { s.receiveAll(); });
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  EXPECT_EQ(set(kRemotePortId, 9), 100);
  EXPECT_EQ(lastError(),
            "You cannot change the RemotePort at this time. A connection is in progress.");
  EXPECT_EQ(get(kRemotePortId), peer.port());
  EXPECT_EQ(set(kLocalPortId, 9), 106);
  EXPECT_EQ(lastError(),
            "You cannot change the LocalPort at this time. A connection is in progress.");
  // A second Connect fails on the host before it could report "already connected".
  EXPECT_EQ(connectLoopback(peer.port()), 101);
  EXPECT_EQ(lastError(),
            "You cannot change the RemoteHost at this time. A connection is in progress.");
  int code = 0;
  config("MaxLineLength=100", &code);
  EXPECT_EQ(code, 112);
  EXPECT_EQ(lastError(),
            "You cannot change MaxLineLength at this time. A connection is in progress.");
  EXPECT_EQ(get(kConnectedId), 1);
}

TEST_F(TcpClientTest, UnansweredAttemptEndsAtTheTimeoutWithNoSocketLeft) {
  LoopbackPeer& peer = makePeer(nullptr, 0);
  peer.fillAcceptQueue();
  config("TimeoutInMilliseconds=True");
  set(kTimeoutId, 250);
  uint32_t start = platform::tickCount();
  EXPECT_EQ(connectLoopback(peer.port()), 301);
  uint32_t elapsed = platform::tickCount() - start;
  EXPECT_EQ(lastError(), "Timeout.");
  EXPECT_GE(elapsed, 240u);
  EXPECT_LT(elapsed, 400u);
  EXPECT_EQ(config("SocketHandle"), "-1");
  EXPECT_TRUE(port_->significant().empty());
}

TEST_F(TcpClientTest, AsynchronousConnectReportsThroughEvents) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) { s.receiveAll(); });
  set(kTimeoutId, 0);
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  EXPECT_EQ(get(kConnectedId), 0);  // still in progress
  ASSERT_TRUE(pumpUntil([&] { return hasEvent("Connected 0 OK"); }));
  ASSERT_TRUE(pumpUntil([&] { return hasEvent("ReadyToSend"); }));
  EXPECT_EQ(get(kConnectedId), 1);
  EXPECT_EQ(connectLoopback(peer.port()), 101);
}

TEST_F(TcpClientTest, SocketOptionsReachTheSocket) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) { s.receiveAll(); });
  EXPECT_EQ(config("Linger"), "1");
  EXPECT_EQ(config("TcpNoDelay"), "False");
  EXPECT_EQ(config("TCPKeepAlive"), "0");
  config("TcpNoDelay=True");
  config("KeepAliveTime=30000");  // a keep-alive time switches keep-alive on
  EXPECT_EQ(config("TCPKeepAlive"), "1");
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  auto socket = static_cast<platform::SocketHandle>(std::stoll(config("SocketHandle")));
  int value = 0;
  ASSERT_EQ(platform::getSocketOption(socket, platform::SocketOption::kKeepAlive, &value), 0);
  EXPECT_NE(value, 0);
  ASSERT_EQ(platform::getSocketOption(socket, platform::SocketOption::kTcpNoDelay, &value), 0);
  EXPECT_NE(value, 0);
  ASSERT_EQ(platform::getSocketOption(socket, platform::SocketOption::kOobInline, &value), 0);
  EXPECT_NE(value, 0);
  config("TCPKeepAlive=False");  // applied at once to the open socket
  ASSERT_EQ(platform::getSocketOption(socket, platform::SocketOption::kKeepAlive, &value), 0);
  EXPECT_EQ(value, 0);
}

TEST_F(TcpClientTest, SettingsOfTheClientLayer) {
  int code = 0;
  config("SocketHandle=5", &code);
  EXPECT_EQ(code, -1);
  EXPECT_EQ(lastError(), "Unknown config setting.");
  config("MaxLineLength=100000");
  EXPECT_EQ(config("MaxLineLength"), "65536");
  config("MaxTransferRate=8589934592");
  EXPECT_EQ(config("MaxTransferRate"), "8589934592");
  config(("FirewallUser=" + std::string(300, 'u')).c_str());
  EXPECT_EQ(config("FirewallUser").size(), 255u);
  EXPECT_EQ(config("FirewallData"), "");
  EXPECT_EQ(config("UseExtendedDST"), "1");
  config("SplitCRLF=yes");
  EXPECT_EQ(config("SplitCRLF"), "True");
  EXPECT_EQ(config("KerberosSPN=spn"), "");  // the socket layer's keys still answer
  EXPECT_EQ(config("KerberosSPN"), "spn");
}

TEST_F(TcpClientTest, ProxyThatCannotReachTheTargetNeverReportsTheProxyAsTarget) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) { s.receiveAll(); });
  config("FirewallHost=127.0.0.1");
  EXPECT_EQ(config("FirewallHost"), "127.0.0.1");
  config("FirewallType=2");  // sets the port to 1080 first
  config(("FirewallPort=" + std::to_string(peer.port())).c_str());
  EXPECT_EQ(connect(kUnresolvableName.c_str(), 80), 118);
  EXPECT_EQ(get(kConnectedId), 0);
  EXPECT_EQ(config("SocketHandle"), "-1");
  EXPECT_EQ(getText(kRemoteHostId), kUnresolvableName);  // kept as written for the proxy
}

}  // namespace
}  // namespace velmora::components::testing
