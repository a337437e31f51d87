#ifndef TAVRO_COMPONENTS_IPPORT_TCP_CLIENT_H_
#define TAVRO_COMPONENTS_IPPORT_TCP_CLIENT_H_

#include <cstdint>
#include <memory>
#include <string>

#include "components/frame/socket_component.h"
#include "components/ipport/ipport_ids.h"
#include "components/ipport/line_buffer.h"
#include "components/ipport/proxy/proxy_negotiator.h"
#include "components/ipport/traffic_record.h"
#include "platform/socket.h"

namespace velmora::components {

/// IPPort's own result codes.
enum TcpClientCode {
  kRemotePortLocked = 100,
  kRemoteHostLocked = 101,
  kAddressInvalid = 102,
  kAlreadyConnected = 104,
  kLocalPortLocked = 106,
  kLineLengthLocked = 112,
  kPortZero = 116,
  kFirewallFailed = 118,
};

/// The proxy settings an instance stores; with a type set, a connection is
/// made to the proxy and the tunnel negotiated before it counts as open.
struct FirewallRecord {
  bool autoDetect = false;
  int type = 0;
  std::string host;
  uint32_t address = 0;
  int port = 0;
  std::string user;
  std::string password;
};

/// The TCP client layer: remote and local endpoint, socket options,
/// connection set-up and teardown on the socket layer's notifications, the
/// receive loop with its line buffer, sending with an optional rate limit,
/// and the traffic record. Every call returns 0 or a result code and leaves
/// its message in the instance's message text.
class TcpClient : public SocketComponent {
 public:
  ~TcpClient() override;

  int setRemoteHost(const char* text);
  std::string remoteHostText() const;
  const std::string& remoteHost() const { return remoteHost_; }
  int setRemotePort(int port);
  int remotePort() const { return remotePort_; }
  int setLocalPort(int port);
  int localPort() const;
  int setLocalHost(const char* text);
  /// The bound address while connected, else the stored one, else the
  /// machine's host name.
  std::string localHostText();

  /// `Connected`: false while a proxy negotiation still runs.
  bool connected() const { return connected_ && !negotiator_; }
  bool hasSocket() const { return socket_ != platform::kInvalidSocket; }
  int setConnected(bool on);
  /// `Connect` and `Disconnect`, blocking when a Timeout is set.
  int connect(const char* host, int port);
  int disconnect();

  bool receiveEnabled() const { return receiveEnabled_; }
  int setReceiveEnabled(bool on);
  bool lineMode() const { return lineMode_; }
  int setLineMode(bool on);
  const std::string& lineTerminator() const { return lineBuffer_.terminator(); }
  int setLineTerminator(const char* data, int length);

  /// `Send` and `DataToSend`; `SendLine` appends CR LF.
  int send(const char* data, int length);
  int sendLine(const char* text);
  int bytesSent() const;

  bool tcpKeepAlive() const { return keepAlive_; }
  int setTcpKeepAlive(bool on);
  bool linger() const { return linger_; }
  int setLinger(bool on);
  FirewallRecord& firewall() { return firewall_; }
  int setFirewallHost(const char* text);
  /// Stores the type and its default port (80 for HTTP, 1080 for SOCKS).
  int setFirewallType(int type);
  /// Cut to 255 bytes.
  void setFirewallUser(const std::string& user);
  void setFirewallPassword(const std::string& password);
  /// Clears the proxy; on, takes the SOCKS proxy of the user's settings.
  int setFirewallAutoDetect(bool on);

  int maxLineLength() const { return lineBuffer_.capacity(); }
  int setMaxLineLength(int length);

  int configure(const ConfigSetting& setting, std::string* answer) override;
  intptr_t handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

 protected:
  TcpClient();

  /// Receive-buffer bookkeeping of the layer above, then the `DataIn` event.
  virtual void processData(char* data, int length, int eol);
  /// Called while a blocking send waits, with the bytes sent so far;
  /// non-zero stops the send with that code.
  virtual int sendProgress(int64_t) { return 0; }
  /// A blocking connect starts: the layer above empties its line store.
  virtual void onBlockingConnect() {}

  /// A blocking send of every byte (the rate limit applies), as `Send` in
  /// blocking mode but leaving the file-send state alone.
  int sendBlocking(const char* data, int length);
  /// The receive loop in mode 0 (notification), 1 (drain at close) or 2
  /// (one pass while an attempt is pending).
  int receiveLoop(int mode);
  void setFileSend(bool on, int64_t total);
  int64_t fileTotal() const { return fileTotal_; }
  void addFileTotal(int64_t count) { fileTotal_ += count; }
  /// Sets ReceiveEnabled without touching the message (used after sends).
  void enableReceive(bool on);

 private:
  int resolveHost(const char* text, bool stream, uint32_t* address, platform::SocketAddress* v6);
  int resolveIPv4(const char* text, uint32_t* address);
  int startConnecting();
  int connectAndWait();
  int createAndBind(const platform::SocketAddress& target);
  void applySocketOptions();
  int applyKeepAlive();
  int applyLinger();
  int closeConnection(intptr_t code, bool byApplication);
  void resetConnectionState();
  void abandonAttempt();
  void onConnectNotification(int error);
  void onCloseNotification(intptr_t lParam);
  void connectResultStep(int code);
  void raiseStatus(const char* text, int code);
  void postReadNotification();

  bool readingAllowed() const;
  bool deliverLines(int mode);
  void deliver(char* data, int length, int eol);
  int receiveOnce(int mode, bool* again);
  static int readSocket(void* context, char* buffer, int length, int* received);
  int sendAttempt(const char* data, int length, int* taken);
  int applyRateLimit();
  int64_t currentRate(int64_t now) const;
  bool configureOption(const ConfigSetting& setting, std::string* answer);
  bool configureFirewall(const ConfigSetting& setting, std::string* answer);
  bool configureLines(const ConfigSetting& setting, std::string* answer);
  int setKeepAliveTiming(int* field, int value);

  // Proxy negotiation (components/ipport/proxy/tcp_client_proxy.cpp).
  void startNegotiation();
  int sendRaw(const std::string& bytes);
  void finishNegotiationStep(proxy::ProxyStep step);
  void endNegotiation();
  void negotiateBytes(char* data, int length);
  void abortNegotiation();

  std::string remoteHost_;
  uint32_t remoteAddress_ = 0;
  platform::SocketAddress remoteV6_;
  int remotePort_ = 0;
  uint32_t localAddress_ = 0;
  platform::SocketAddress localV6_;
  bool localV6Set_ = false;
  int localPort_ = 0;

  bool connected_ = false;
  bool connectPending_ = false;
  bool receiveEnabled_ = true;
  bool inReceiveLoop_ = false;
  bool closePending_ = false;
  intptr_t pendingCloseCode_ = 0;
  int connectResult_ = 0;
  std::string connectMessage_;
  int disconnectCode_ = -1;

  bool keepAlive_ = false;
  int keepAliveTime_ = 0;
  int keepAliveInterval_ = 0;
  bool linger_ = true;
  int lingerTime_ = 0;
  bool noDelay_ = false;
  bool bindIPv6Address_ = true;
  int useExtendedDst_ = 1;
  FirewallRecord firewall_;
  std::unique_ptr<proxy::ProxyNegotiator> negotiator_;

  LineBuffer lineBuffer_;
  bool lineMode_ = false;

  int lastSendCount_ = 0;
  bool fileSend_ = false;
  int64_t fileTotal_ = 0;
  int64_t maxTransferRate_ = 0;
  int64_t windowStart_ = 0;
  int64_t lastSendTime_;
  int64_t windowBytes_ = 0;

  TrafficRecord record_;
};

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_IPPORT_TCP_CLIENT_H_
