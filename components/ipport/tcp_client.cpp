#include "components/ipport/tcp_client.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/host_address.h"
#include "platform/inet.h"

namespace velmora::components {
namespace {

constexpr long kNotifyMask =
    platform::kFdRead | platform::kFdWrite | platform::kFdConnect | platform::kFdClose;
constexpr uint32_t kAddressNone = 0xFFFFFFFFu;
constexpr int kKeepAliveDefaultTime = 7200000;
constexpr int kKeepAliveDefaultInterval = 1000;

// "name%scope": the scope digits after the percent sign, removed from `name`.
uint32_t cutScope(std::string* name) {
  size_t percent = name->find('%');
  if (percent == std::string::npos) return 0;
  uint32_t scope = static_cast<uint32_t>(std::strtoul(name->c_str() + percent + 1, nullptr, 10));
  name->erase(percent);
  return scope;
}

}  // namespace

TcpClient::TcpClient() : lastSendTime_(-1000000) {
  remoteV6_.family = 0;
  localV6_.family = 0;
  setTimeoutProperty(60);
}

TcpClient::~TcpClient() {
  // Destruction closes without events.
  if (hasSocket()) platform::asyncSelect(socket_, window(), kSocketNotifyMessage, 0);
  resetConnectionState();
}

int TcpClient::resolveHost(const char* text, bool stream, uint32_t* address,
                           platform::SocketAddress* v6) {
  *address = 0;
  *v6 = platform::SocketAddress();
  v6->family = 0;
  if (useIPv6()) {
    std::string name = text;
    uint32_t scope = cutScope(&name);
    int code = platform::resolveIPv6(name.c_str(), stream, v6);
    if (code != 0) {
      v6->family = 0;
      return code;
    }
    v6->scopeId = scope != 0 ? scope : v6->scopeId;
    return 0;
  }
  return resolveIPv4(text, address);
}

// inet_addr first; a name is looked up and its first IPv4 address taken.
int TcpClient::resolveIPv4(const char* text, uint32_t* address) {
  *address = 0;
  uint32_t numeric = platform::inetAddr(text);
  if (numeric != kAddressNone) {
    *address = numeric;
    return 0;
  }
  std::vector<platform::ResolvedAddress> found;
  int code = platform::getAddrInfo(text, nullptr, &found);
  if (code == platform::kWsaNotInitialised) return 0;
  if (code != 0) return code;
  for (const platform::ResolvedAddress& entry : found) {
    if (entry.family == 4) {
      *address = platform::inetAddr(entry.text.c_str());
      return 0;
    }
  }
  return platform::kWsaHostNotFound;
}

int TcpClient::setRemoteHost(const char* text) {
  clearMessage();
  remoteHost_ = text;
  if (firewall_.type != 0) return 0;  // the proxy resolves the name
  if (hasSocket()) {
    setMessageText("You cannot change the RemoteHost at this time. A connection is in progress.");
    return kRemoteHostLocked;
  }
  remoteAddress_ = 0;
  remoteV6_.family = 0;
  if (remoteHost_.empty()) return 0;
  return resolveHost(text, true, &remoteAddress_, &remoteV6_);
}

std::string TcpClient::remoteHostText() const {
  if (firewall_.type != 0) return remoteHost_;
  if (useIPv6())
    return remoteV6_.family == 0 ? std::string() : platform::numericIPv6Text(remoteV6_);
  return remoteAddress_ == 0 ? std::string() : platform::inetNtoa(remoteAddress_);
}

int TcpClient::setRemotePort(int port) {
  clearMessage();
  if (hasSocket()) {
    setMessageText("You cannot change the RemotePort at this time. A connection is in progress.");
    return kRemotePortLocked;
  }
  remotePort_ = port;
  return 0;
}

int TcpClient::setLocalPort(int port) {
  clearMessage();
  if (hasSocket()) {
    setMessageText("You cannot change the LocalPort at this time. A connection is in progress.");
    return kLocalPortLocked;
  }
  localPort_ = port;
  return 0;
}

int TcpClient::localPort() const {
  if (!hasSocket()) return localPort_;
  platform::SocketAddress bound;
  return platform::localAddress(socket_, &bound) == 0 ? bound.port : 0;
}

int TcpClient::setLocalHost(const char* text) {
  clearMessage();
  localAddress_ = 0;
  localV6Set_ = false;
  if (*text == '\0') return 0;
  int code = resolveHost(text, false, &localAddress_, &localV6_);
  localV6Set_ = code == 0 && useIPv6();
  return code;
}

std::string TcpClient::localHostText() {
  platform::SocketAddress bound;
  if (connected_ && platform::localAddress(socket_, &bound) == 0) {
    return bound.family == platform::kFamilyIPv6 ? platform::numericIPv6Text(bound)
                                                 : platform::inetNtoa(platform::ipv4Of(bound));
  }
  if (useIPv6() && localV6Set_) return platform::numericIPv6Text(localV6_);
  if (!useIPv6() && localAddress_ != 0) return platform::inetNtoa(localAddress_);
  std::string name;
  int code = platform::localHostName(&name, 100);
  if (code != 0) completeResult(code);
  return name;
}

int TcpClient::setFirewallHost(const char* text) {
  clearMessage();
  firewall_.host = text;
  firewall_.address = 0;
  if (*text == '\0') return 0;
  return resolveIPv4(text, &firewall_.address);
}

int TcpClient::createAndBind(const platform::SocketAddress& target) {
  int code = platform::createStreamSocket(target.family, &socket_);
  if (code != 0) return code;
  platform::SocketAddress local;
  if (target.family == platform::kFamilyIPv6) {
    if (!bindIPv6Address_) return 0;
    local.family = platform::kFamilyIPv6;
    if (localV6Set_) local = localV6_;
  } else {
    local = platform::ipv4Address(localAddress_, 0);
  }
  local.port = static_cast<uint16_t>(localPort_);
  code = platform::bindSocket(socket_, local);
  if (code != 0) resetConnectionState();
  return code;
}

int TcpClient::startConnecting() {
  clearMessage();
  pendingCloseCode_ = 0;
  if (hasSocket()) {
    setMessageText(
        "Already connected. If you want to reconnect, close the current connection first.");
    return kAlreadyConnected;
  }
  closePending_ = false;
  lineBuffer_.clear();
  bool proxy = firewall_.type != 0;
  bool v6 = useIPv6() && !proxy;
  uint32_t address = proxy ? firewall_.address : remoteAddress_;
  int port = proxy ? firewall_.port : remotePort_;
  if (!v6 && address == 0) {
    setMessageText(proxy ? "The FirewallHost address is invalid (0.0.0.0)."
                         : "The RemoteHost address is invalid (0.0.0.0).");
    return kAddressInvalid;
  }
  if (port == 0) {
    setMessageText(proxy ? "The FirewallPort is invalid (0)."
                         : "RemotePort can't be zero. Please specify a valid service port number.");
    return kPortZero;
  }
  connected_ = false;
  platform::SocketAddress target = v6 ? remoteV6_ : platform::ipv4Address(address, 0);
  if (v6 && target.family == 0) target.family = platform::kFamilyIPv6;
  target.port = static_cast<uint16_t>(port);
  int code = createAndBind(target);
  if (code != 0) return code;
  applySocketOptions();
  code = platform::asyncSelect(socket_, window(), kSocketNotifyMessage, kNotifyMask);
  if (code != 0) {
    resetConnectionState();
    return code;
  }
  connectPending_ = true;
  code = platform::connectSocket(socket_, target);
  if (code == 0 || code == platform::kWsaEWouldBlock) return 0;
  connectPending_ = false;
  resetConnectionState();
  return code;
}

void TcpClient::applySocketOptions() {
  applyKeepAlive();
  applyLinger();
  if (inBufferSize() != 0) {
    platform::setSocketOption(socket_, platform::SocketOption::kReceiveBuffer, inBufferSize());
  }
  if (outBufferSize() != 0) {
    platform::setSocketOption(socket_, platform::SocketOption::kSendBuffer, outBufferSize());
  }
  platform::setSocketOption(socket_, platform::SocketOption::kOobInline, 1);
  if (noDelay_) platform::setSocketOption(socket_, platform::SocketOption::kTcpNoDelay, 1);
}

int TcpClient::applyKeepAlive() {
  int code = platform::setSocketOption(socket_, platform::SocketOption::kKeepAlive, keepAlive_);
  if (code != 0 || !keepAlive_ || (keepAliveTime_ == 0 && keepAliveInterval_ == 0)) return code;
  uint32_t time = keepAliveTime_ != 0 ? keepAliveTime_ : kKeepAliveDefaultTime;
  uint32_t interval = keepAliveInterval_ != 0 ? keepAliveInterval_ : kKeepAliveDefaultInterval;
  return platform::setKeepAliveValues(socket_, true, time, interval);
}

int TcpClient::applyLinger() {
  // Linger off resets the connection at close; on with 0 s closes gracefully
  // in the background.
  if (!linger_) return platform::setLinger(socket_, true, 0);
  if (lingerTime_ != 0) return platform::setLinger(socket_, true, lingerTime_);
  return platform::setLinger(socket_, false, 0);
}

int TcpClient::setTcpKeepAlive(bool on) {
  keepAlive_ = on;
  if (!hasSocket()) return 0;
  int code = applyKeepAlive();
  if (code != 0) {
    int actual = 0;
    if (platform::getSocketOption(socket_, platform::SocketOption::kKeepAlive, &actual) == 0) {
      keepAlive_ = actual != 0;
    }
  }
  return code;
}

int TcpClient::setKeepAliveTiming(int* field, int value) {
  *field = value;
  bool on = keepAliveTime_ > 0 || keepAliveInterval_ > 0 || keepAlive_;
  return on ? setTcpKeepAlive(true) : 0;
}

int TcpClient::setLinger(bool on) {
  linger_ = on;
  return hasSocket() ? applyLinger() : 0;
}

int TcpClient::connectAndWait() {
  clearInterrupt();
  if (connected()) return 0;
  onBlockingConnect();
  connectResult_ = 0;
  receiveEnabled_ = false;  // no data is delivered during the wait
  int code = startConnecting();
  if (code != 0) return code;
  while (true) {
    if (waitStep() == 0) {
      abandonAttempt();
      return kWaitEnded;
    }
    if (connected() || connectResult_ != 0) enableReceive(true);
    if (connectResult_ != 0) {
      setMessageText(connectMessage_);
      return connectResult_;
    }
    if (connected()) return 0;
  }
}

void TcpClient::abandonAttempt() {
  if (hasSocket()) platform::asyncSelect(socket_, window(), kSocketNotifyMessage, 0);
  resetConnectionState();
}

int TcpClient::connect(const char* host, int port) {
  if (blockingMode()) armDeadline();
  int code = setRemoteHost(host);
  if (code == 0) code = setRemotePort(port);
  if (code != 0) return code;
  return blockingMode() ? connectAndWait() : startConnecting();
}

int TcpClient::setConnected(bool on) {
  if (!on) return closeConnection(0, true);
  if (!blockingMode()) return startConnecting();
  armDeadline();
  int code = connectAndWait();
  if (code == 0) enableReceive(true);
  return code;
}

int TcpClient::disconnect() {
  if (!blockingMode()) return closeConnection(0, true);
  armDeadline();
  clearInterrupt();
  if (!connected_) return 0;
  disconnectCode_ = -1;
  int code = closeConnection(0, true);
  if (code != 0) return code;
  if (!hasSocket()) return 0;
  // The close was deferred by a DataIn handler that is still running.
  code = runWaitSteps([this] { return !hasSocket() || disconnectCode_ >= 0; });
  return code != 0 ? code : (disconnectCode_ >= 0 ? disconnectCode_ : 0);
}

int TcpClient::closeConnection(intptr_t code, bool byApplication) {
  if (byApplication) clearMessage();
  if (!hasSocket()) {
    resetConnectionState();
    return 0;
  }
  platform::asyncSelect(socket_, window(), kSocketNotifyMessage, 0);
  if (inReceiveLoop_) {
    pendingCloseCode_ = code;
    closePending_ = true;
    return 0;
  }
  if (receiveEnabled_) receiveLoop(1);
  if (negotiator_) abortNegotiation();
  if (connected_) {
    connected_ = false;
    int h = static_cast<int>((static_cast<uintptr_t>(code) >> 16) & 0xFFFF);
    if (firewall_.type != 0) raiseStatus("Firewall host disconnected.", h);
    raiseStatus("Remote host disconnected.", h);
    disconnectCode_ = h;
    std::string description = eventDescription(h);
    raiseEvent(ipport::kEventDisconnected,
               {EventArg::integerArg(h), EventArg::text(description.c_str())});
    record_.close();
  }
  int result = hasSocket() ? platform::closeSocket(socket_) : 0;
  socket_ = platform::kInvalidSocket;
  resetConnectionState();
  return result;
}

void TcpClient::resetConnectionState() {
  endNegotiation();
  if (hasSocket()) platform::closeSocket(socket_);
  socket_ = platform::kInvalidSocket;
  connected_ = false;
  connectPending_ = false;
  inReceiveLoop_ = false;
  closePending_ = false;
  pendingCloseCode_ = 0;
  receiveEnabled_ = true;
  record_.close();
}

void TcpClient::raiseStatus(const char* text, int code) {
  std::string description = eventDescription(code);
  raiseEvent(ipport::kEventConnectionStatus, {EventArg::text(text), EventArg::integerArg(code),
                                              EventArg::text(description.c_str())});
}

void TcpClient::connectResultStep(int code) {
  connectResult_ = code;
  connectMessage_ = messageText();
  std::string description = eventDescription(code);
  raiseEvent(ipport::kEventConnected,
             {EventArg::integerArg(code), EventArg::text(description.c_str())});
}

void TcpClient::onConnectNotification(int error) {
  connectPending_ = false;
  connected_ = true;
  platform::setSocketOption(socket_, platform::SocketOption::kOobInline, 1);
  clearMessage();
  if (error == 0) {
    if (!recordToFile().empty()) record_.open(recordToFile());
    if (firewall_.type != 0) {
      raiseStatus("Firewall connection complete.", 0);
      startNegotiation();
      return;
    }
    raiseStatus("Remote host connection complete.", 0);
    connectResultStep(0);
    return;
  }
  connected_ = false;
  if (firewall_.type != 0) raiseStatus("Firewall connection failed.", error);
  connectResultStep(error);
  resetConnectionState();
}

void TcpClient::onCloseNotification(intptr_t lParam) {
  if (connectPending_) {
    receiveLoop(2);
    return;
  }
  closeConnection(lParam, false);
}

void TcpClient::postReadNotification() {
  platform::postMessage(window(), kSocketNotifyMessage, static_cast<uintptr_t>(socket_),
                        platform::makeSelectLParam(platform::kFdRead, 0));
}

intptr_t TcpClient::handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kSocketNotifyMessage || !hasSocket() ||
      wParam != static_cast<uintptr_t>(socket_)) {
    return SocketComponent::handleWindowMessage(message, wParam, lParam);
  }
  switch (platform::selectEvent(lParam)) {
    case platform::kFdRead:
      if ((receiveEnabled_ || negotiator_) && !inReceiveLoop_) receiveLoop(0);
      break;
    case platform::kFdWrite:
      raiseEvent(ipport::kEventReadyToSend, {});
      break;
    case platform::kFdConnect:
      onConnectNotification(platform::selectError(lParam));
      break;
    case platform::kFdClose:
      onCloseNotification(lParam);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace velmora::components
