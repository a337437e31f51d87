#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "components/ipport/tcp_client_test_support.h"

namespace velmora::components::testing {
namespace {

using Events = std::vector<std::string>;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string tempPath(const char* name) { return ::testing::TempDir() + name; }

class TcpDataTest : public TcpClientTest {
 protected:
  void setTerminator(const std::string& bytes) {
    IPPort_Set(h_, kLineTerminatorId, 0, bytes.data(), static_cast<int>(bytes.size()));
  }
  bool pumpUntilClosed() {
    return pumpUntil([&] { return hasEvent("Disconnected 0 OK"); });
  }
  /// Lets the client run for a while, so that a wrong early delivery would show.
  void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
  }
  Events dataEvents() const {
    Events data;
    for (const std::string& e : port_->events) {
      if (e.rfind("DataIn", 0) == 0) data.push_back(e);
    }
    return data;
  }
  bool pumpUntilDataEvents(size_t count) {
    return pumpUntil([&] { return dataEvents().size() >= count; });
  }
};

// The peer's scripts below wait for a byte from the client between their
// sends, so each send is a read of its own and the close comes only when the
// test has looked at what was delivered before it.
constexpr const char* kGoOn = "g";

TEST_F(TcpDataTest, UnfinishedLineWaitsForMoreDataOrTheClose) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) {
    s.send("ab\r\ncd");
    s.receive(1);
    s.send("e\r\nfg");
    s.receive(1);
  });
  setTerminator("\r\n");
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  ASSERT_TRUE(pumpUntilDataEvents(1));
  pumpFor(150);
  EXPECT_EQ(dataEvents(), (Events{"DataIn ab 1"}));  // "cd" is held back

  ASSERT_EQ(sendBytes(kGoOn), 0);
  ASSERT_TRUE(pumpUntilDataEvents(2));
  pumpFor(150);
  EXPECT_EQ(dataEvents(), (Events{"DataIn ab 1", "DataIn cde 1"}));

  ASSERT_EQ(sendBytes(kGoOn), 0);
  ASSERT_TRUE(pumpUntilClosed());
  EXPECT_EQ(port_->significant(),
            (Events{"Status Remote host connection complete. 0 OK", "Connected 0 OK", "DataIn ab 1",
                    "DataIn cde 1", "DataIn fg 0", "Status Remote host disconnected. 0 OK",
                    "Disconnected 0 OK"}));
  EXPECT_EQ(get(kConnectedId), 0);
  EXPECT_EQ(config("SocketHandle"), "-1");
}

TEST_F(TcpDataTest, CrLfPairSplitBetweenReadsGivesNoEmptyLine) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) {
    s.send("ab\r");
    s.receive(1);
    s.send("\ncd\r\n");
    s.receive(1);
    s.send("\nef\n\r");
  });
  config("SplitCRLF=True");
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  ASSERT_TRUE(pumpUntilDataEvents(1));  // a CR alone already ends the line
  ASSERT_EQ(sendBytes(kGoOn), 0);
  ASSERT_TRUE(pumpUntilDataEvents(2));
  ASSERT_EQ(sendBytes(kGoOn), 0);
  ASSERT_TRUE(pumpUntilClosed());
  // A lone LF after a completed CR LF is a line end of its own.
  EXPECT_EQ(dataEvents(), (Events{"DataIn ab 1", "DataIn cd 1", "DataIn  1", "DataIn ef 1"}));
}

TEST_F(TcpDataTest, WithoutTerminatorEveryChunkIsALine) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) {
    s.send("hel\r\nlo");
    s.receive(1);
    s.send("world");
  });
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  ASSERT_TRUE(pumpUntilDataEvents(1));
  ASSERT_EQ(sendBytes(kGoOn), 0);
  ASSERT_TRUE(pumpUntilClosed());
  // A CR LF inside a chunk splits nothing, and the close adds no piece.
  EXPECT_EQ(dataEvents(), (Events{"DataIn hel\r\nlo 1", "DataIn world 1"}));
}

TEST_F(TcpDataTest, FullLineBufferIsDeliveredInPieces) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) {
    s.send(std::string(40, 'x'));
    s.receive(1);
  });
  config("MaxLineLength=16");
  setTerminator("\r\n");
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  const std::string sixteen = "DataIn " + std::string(16, 'x') + " 0";
  ASSERT_TRUE(pumpUntilDataEvents(2));
  pumpFor(150);
  EXPECT_EQ(dataEvents(), (Events{sixteen, sixteen}));  // the last 8 wait for the close

  ASSERT_EQ(sendBytes(kGoOn), 0);
  ASSERT_TRUE(pumpUntilClosed());
  EXPECT_EQ(
      port_->significant(),
      (Events{"Status Remote host connection complete. 0 OK", "Connected 0 OK", sixteen, sixteen,
              "DataIn xxxxxxxx 0", "Status Remote host disconnected. 0 OK", "Disconnected 0 OK"}));
}

TEST_F(TcpDataTest, PeerResetEndsTheConnection) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) {
    pause(100);
    s.reset();
  });
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  ASSERT_TRUE(pumpUntil([&] { return get(kConnectedId) == 0; }));
  ASSERT_FALSE(port_->events.empty());
  EXPECT_EQ(port_->events.back().rfind("Disconnected", 0), 0u);
  EXPECT_EQ(config("SocketHandle"), "-1");
}

TEST_F(TcpDataTest, DisconnectFromDataInIsDeferredUntilTheHandlerReturns) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) {
    s.send("one");
    s.receiveAll();
  });
  set(kTimeoutId, 0);
  int disconnectResult = -1;
  size_t eventsAtDisconnect = 0;
  port_->onDataIn = [&](DataInEventParams*) {
    disconnectResult = call(kDisconnectMethod);
    eventsAtDisconnect = port_->events.size();
  };
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  ASSERT_TRUE(pumpUntilClosed());
  EXPECT_EQ(disconnectResult, 0);
  // Nothing was raised inside the handler; the close's events came after it.
  ASSERT_GE(eventsAtDisconnect, 1u);
  EXPECT_EQ(port_->events[eventsAtDisconnect - 1], "DataIn one 1");
  Events after;
  for (size_t i = eventsAtDisconnect; i < port_->events.size(); ++i) {
    if (port_->events[i] != "ReadyToSend") after.push_back(port_->events[i]);
  }
  EXPECT_EQ(after, (Events{"Status Remote host disconnected. 0 OK", "Disconnected 0 OK"}));
  EXPECT_EQ(config("SocketHandle"), "-1");
}

// A large read leaves bytes in the client when DataIn suspends receiving;
// they come on resumption, in order and in pieces of at most MaxLineLength.
TEST_F(TcpDataTest, BytesReadAheadWaitWhileSuspendedAndComeInOrder) {
  std::string sent;
  for (int i = 0; sent.size() < 200000; ++i) sent += std::to_string(i) + ",";
  LoopbackPeer& peer = makePeer([&sent](PeerSocket& s) {
    s.send(sent);
    s.receive(1);
  });
  set(kTimeoutId, 0);
  std::string received;
  size_t pieces = 0, longest = 0;
  port_->onDataIn = [&](DataInEventParams* e) {
    received.append(e->text, static_cast<size_t>(e->lenText));
    longest = std::max(longest, static_cast<size_t>(e->lenText));
    if (++pieces == 1) set(kReceiveEnabledId, 0);
  };
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  ASSERT_TRUE(pumpUntil([&] { return pieces >= 1; }));
  pumpFor(100);
  EXPECT_EQ(pieces, 1u);
  set(kReceiveEnabledId, 1);
  ASSERT_TRUE(pumpUntil([&] { return received.size() >= sent.size(); }));
  EXPECT_EQ(received, sent);
  EXPECT_LE(longest, 2048u);
  ASSERT_EQ(sendBytes(kGoOn), 0);
  ASSERT_TRUE(pumpUntilClosed());
  EXPECT_EQ(received, sent);
}

TEST_F(TcpDataTest, SendingNeedsAConnection) {
  set(kTimeoutId, 0);
  EXPECT_EQ(sendBytes("x"), 10057);
  EXPECT_EQ(lastError(), "[10057] Socket is not connected");
  EXPECT_EQ(get(kBytesSentId), 0);
  EXPECT_EQ(IPPort_Set(h_, kBytesSentId, 0, word(5), 0), -1);  // read-only
}

TEST_F(TcpDataTest, SendLineAndDataToSendReachThePeer) {
  std::string received;
  LoopbackPeer& peer = makePeer([&](PeerSocket& s) { received = s.receive(10); });
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  EXPECT_EQ(callText(kSendLineMethod, "hello"), 0);
  EXPECT_EQ(get(kBytesSentId), 7);
  EXPECT_EQ(IPPort_Set(h_, kDataToSendId, 0, "abc", 3), 0);
  peer.join();
  EXPECT_EQ(received, "hello\r\nabc");
}

TEST_F(TcpDataTest, GetLineReturnsOneLineAtATime) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) {
    s.send("one\r\ntwo\r\nthr");
    pause(100);
    s.send("ee\r\n");
    s.receiveAll();
  });
  set(kTimeoutId, 2);
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  for (const char* expected : {"one", "two", "three"}) {
    void* p[] = {nullptr};
    int l[] = {0};
    ASSERT_EQ(IPPort_Do(h_, kGetLineMethod, 1, p, l), 0)
        << lastError() << ::testing::PrintToString(port_->events);
    EXPECT_STREQ(static_cast<const char*>(p[0]), expected);
  }
  EXPECT_EQ(get(kLineModeId), 1);
}

TEST_F(TcpDataTest, GetLineRefusesWithoutTimeoutOrConnection) {
  void* p[] = {nullptr};
  int l[] = {0};
  EXPECT_EQ(IPPort_Do(h_, kGetLineMethod, 1, p, l), 301);
  EXPECT_EQ(lastError(), "Disconnected.");
  set(kTimeoutId, 0);
  EXPECT_EQ(IPPort_Do(h_, kGetLineMethod, 1, p, l), 301);
  EXPECT_EQ(lastError(), "GetLine requires a positive Timeout value.");
}

TEST_F(TcpDataTest, SendFileChecksItsArgumentsFirst) {
  set(kTimeoutId, 0);
  EXPECT_EQ(callText(kSendFileMethod, ""), 3);
  EXPECT_EQ(lastError(), "You must provide the name of a file to send.");
  EXPECT_EQ(callText(kSendFileMethod, "x"), 702);
  EXPECT_EQ(lastError(), "This operation cannot be performed in a non-blocking manner.");
  set(kTimeoutId, 5);
  EXPECT_EQ(callText(kSendFileMethod, tempPath("tavro-no-such-file").c_str()), 3);
  EXPECT_EQ(lastError(), "Cannot open file for reading.");
}

TEST_F(TcpDataTest, SendFileDeliversEveryByte) {
  std::string content;
  for (int i = 0; i < 100000; ++i) content += static_cast<char>(i * 7 % 251);
  std::string path = tempPath("tavro-sendfile.bin");
  { std::ofstream(path, std::ios::binary) << content; }
  std::string received;
  LoopbackPeer& peer = makePeer([&](PeerSocket& s) { received = s.receive(content.size()); });
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  EXPECT_EQ(callText(kSendFileMethod, path.c_str()), 0) << lastError();
  EXPECT_EQ(get(kBytesSentId), 100000);
  peer.join();
  EXPECT_TRUE(received == content);
  std::remove(path.c_str());
}

TEST_F(TcpDataTest, RateLimitSpreadsASend) {
  LoopbackPeer& peer = makePeer([](PeerSocket& s) { s.receive(100000); });
  config("MaxTransferRate=100000");
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  uint32_t start = platform::tickCount();
  ASSERT_EQ(sendBytes(std::string(50000, 'r')), 0);
  ASSERT_EQ(sendBytes(std::string(50000, 'r')), 0);
  // The second half waits until the window's rate is down to the limit.
  EXPECT_GE(platform::tickCount() - start, 450u);
}

TEST_F(TcpDataTest, TrafficRecordPlaysTheRemoteSide) {
  std::string path = tempPath("tavro-record.txt");
  LoopbackPeer& peer = makePeer([](PeerSocket& s) {
    s.receive(3);
    s.send("\x01");
    pause(100);
  });
  config(("RecordToFile=" + path).c_str());
  ASSERT_EQ(connectLoopback(peer.port()), 0);
  ASSERT_EQ(sendBytes("a$b"), 0);
  ASSERT_TRUE(pumpUntilClosed());
  EXPECT_EQ(readFile(path), "\r\nexpect -exact \"a\\$b\"\r\n\r\nsend -nonewline \"\\001\"\r\n");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace velmora::components::testing
