#ifndef TAVRO_COMPONENTS_IPPORT_PEER_TEST_SUPPORT_H_
#define TAVRO_COMPONENTS_IPPORT_PEER_TEST_SUPPORT_H_

// Loopback peers for the TCP client's tests (header only, so that it never
// enters the program): a listener on 127.0.0.1 whose one accepted connection
// is served by a script on its own thread with blocking socket calls.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace velmora::components::testing {

inline void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

/// The accepted side of a connection, with blocking helpers.
struct PeerSocket {
  platform::SocketHandle socket = platform::kInvalidSocket;

  void send(const std::string& data) const {
    size_t done = 0;
    while (done < data.size()) {
      int sent = 0;
      if (platform::sendSocket(socket, data.data() + done, static_cast<int>(data.size() - done),
                               &sent) != 0 ||
          sent <= 0) {
        return;
      }
      done += static_cast<size_t>(sent);
    }
  }
  /// Reads until `count` bytes arrived or the stream ended.
  std::string receive(size_t count) const {
    std::string data;
    std::vector<char> buffer(65536);
    while (data.size() < count) {
      int received = 0;
      if (platform::recvSocket(socket, buffer.data(), static_cast<int>(buffer.size()), &received) !=
              0 ||
          received == 0) {
        break;
      }
      data.append(buffer.data(), static_cast<size_t>(received));
    }
    return data;
  }
  std::string receiveAll() const { return receive(static_cast<size_t>(-1)); }
  /// Closes with a reset instead of an orderly end.
  void reset() {
    platform::setLinger(socket, true, 0);
    close();
  }
  void close() {
    if (socket != platform::kInvalidSocket) platform::closeSocket(socket);
    socket = platform::kInvalidSocket;
  }
};

class LoopbackPeer {
 public:
  /// `script` runs on the peer's thread once a connection is accepted; the
  /// connection is closed when it returns.
  explicit LoopbackPeer(std::function<void(PeerSocket&)> script = nullptr, int backlog = 8) {
    platform::createStreamSocket(platform::kFamilyIPv4, &listener_);
    platform::setSocketOption(listener_, platform::SocketOption::kReuseAddress, 1);
    platform::bindSocket(listener_, platform::ipv4Address(kLoopback, 0));
    platform::listenSocket(listener_, backlog);
    platform::SocketAddress bound;
    platform::localAddress(listener_, &bound);
    port_ = bound.port;
    if (script) thread_ = std::thread([this, script] { serve(script); });
  }
  ~LoopbackPeer() {
    if (thread_.joinable()) {
      // A test that never connected must not leave the thread in accept().
      if (!accepted_) unblockAccept();
      thread_.join();
    }
    for (platform::SocketHandle s : fillers_) platform::closeSocket(s);
    platform::closeSocket(listener_);
  }
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  int port() const { return port_; }
  void join() {
    if (thread_.joinable()) thread_.join();
  }

  /// Fills the accept queue of a listener that never accepts, so that the
  /// system drops every further SYN: the port behaves as filtered.
  void fillAcceptQueue() {
    for (int i = 0; i < 3; ++i) {
      platform::SocketHandle s = platform::kInvalidSocket;
      platform::createStreamSocket(platform::kFamilyIPv4, &s);
      platform::setNonBlocking(s);
      platform::connectSocket(s, platform::ipv4Address(kLoopback, static_cast<uint16_t>(port_)));
      fillers_.push_back(s);
    }
    pause(100);
  }

  static constexpr uint32_t kLoopback = 0x0100007F;  // 127.0.0.1, network order

 private:
  void serve(const std::function<void(PeerSocket&)>& script) {
    PeerSocket peer;
    if (platform::acceptSocket(listener_, &peer.socket, nullptr) != 0) return;
    accepted_ = true;
    if (!stopping_) script(peer);
    peer.close();
  }
  void unblockAccept() {
    stopping_ = true;
    platform::SocketHandle s = platform::kInvalidSocket;
    platform::createStreamSocket(platform::kFamilyIPv4, &s);
    platform::connectSocket(s, platform::ipv4Address(kLoopback, static_cast<uint16_t>(port_)));
    fillers_.push_back(s);
  }

  platform::SocketHandle listener_ = platform::kInvalidSocket;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> accepted_{false};
  std::atomic<bool> stopping_{false};
  std::vector<platform::SocketHandle> fillers_;
};

/// A port on 127.0.0.1 with no listener (bound once, then released).
inline int closedLoopbackPort() {
  LoopbackPeer probe;
  return probe.port();
}

}  // namespace velmora::components::testing

#endif  // TAVRO_COMPONENTS_IPPORT_PEER_TEST_SUPPORT_H_
