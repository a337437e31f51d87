#include <cstring>

#include "components/ipport/proxy/auto_detect.h"
#include "components/ipport/tcp_client.h"
#include "platform/proxy_settings.h"

namespace velmora::components {
namespace {

constexpr int kMaxFirewallText = 255;

}  // namespace

int TcpClient::setFirewallType(int type) {
  firewall_.type = type;
  switch (type) {
    case proxy::kProxyHttp:
    case proxy::kProxyHttpNtlm:
    case proxy::kProxyHttpNegotiate:
      firewall_.port = 80;
      break;
    case proxy::kProxySocks4:
    case proxy::kProxySocks5:
      firewall_.port = 1080;
      break;
    default:
      firewall_.port = 0;
      break;
  }
  return 0;
}

void TcpClient::setFirewallUser(const std::string& user) {
  firewall_.user = user.substr(0, kMaxFirewallText);
}

void TcpClient::setFirewallPassword(const std::string& password) {
  firewall_.password = password.substr(0, kMaxFirewallText);
}

int TcpClient::setFirewallAutoDetect(bool on) {
  firewall_.autoDetect = on;
  setFirewallHost("");
  firewall_.port = 0;
  std::string list;
  std::string host;
  int port = 0;
  if (!on || !platform::readProxyServerList(&list) || !proxy::findSocksProxy(list, &host, &port)) {
    return 0;
  }
  setFirewallType(proxy::kProxySocks5);
  int code = setFirewallHost(host.c_str());
  if (port != 0) firewall_.port = port;
  return code;
}

void TcpClient::startNegotiation() {
  proxy::ProxySettings settings;
  settings.type = firewall_.type;
  settings.remoteHost = remoteHost_;
  settings.remotePort = remotePort_;
  settings.user = firewall_.user;
  settings.password = firewall_.password;
  settings.useSystemSspi = useSystemSspi();
  proxy::ProxyIo io;
  io.send = [this](const std::string& bytes) { return sendRaw(bytes); };
  io.resolve = [this](const std::string& name, uint32_t* address) {
    return resolveIPv4(name.c_str(), address);
  };
  negotiator_ = std::make_unique<proxy::ProxyNegotiator>(settings, io);
  finishNegotiationStep(negotiator_->start());
}

// Requests go out in one send call on the raw connection; a partial send
// would leave the proxy with half a request, so it counts as a failure.
int TcpClient::sendRaw(const std::string& bytes) {
  int sent = 0;
  int code = platform::sendSocket(socket_, bytes.data(), static_cast<int>(bytes.size()), &sent);
  if (code != 0) return code;
  record_.recordSent(bytes.data(), sent);
  return sent == static_cast<int>(bytes.size()) ? 0 : platform::kWsaEWouldBlock;
}

void TcpClient::endNegotiation() { negotiator_.reset(); }

void TcpClient::finishNegotiationStep(proxy::ProxyStep step) {
  if (step == proxy::ProxyStep::kPending || !negotiator_) return;
  if (step == proxy::ProxyStep::kComplete) {
    endNegotiation();
    raiseStatus("Remote host connection complete.", 0);
    connectResultStep(0);
    return;
  }
  int errorCode = negotiator_->errorCode();
  std::string errorText = negotiator_->errorText();
  std::string message = negotiator_->message();
  endNegotiation();
  raiseEvent(ipport::kEventError,
             {EventArg::integerArg(errorCode), EventArg::text(errorText.c_str())});
  if (!message.empty()) setMessageText(message);
  connectResultStep(kFirewallFailed);
  // An HTTP refusal keeps the connection to the proxy open for the
  // application; every other failure closes it.
  if (step == proxy::ProxyStep::kFailed) closeConnection(0, false);
}

void TcpClient::negotiateBytes(char* data, int length) {
  size_t used = 0;
  proxy::ProxyStep step = negotiator_->receiveBytes(data, static_cast<size_t>(length), &used);
  if (step == proxy::ProxyStep::kComplete && used < static_cast<size_t>(length)) {
    // What followed the proxy's reply is the tunnel's first data: keep it
    // in the line buffer, where `data` already lies.
    std::memmove(data, data + used, static_cast<size_t>(length) - used);
    lineBuffer_.commit(length - static_cast<int>(used));
  }
  finishNegotiationStep(step);
}

// The proxy closed before the tunnel was open: the attempt fails.
void TcpClient::abortNegotiation() {
  endNegotiation();
  raiseEvent(ipport::kEventError, {EventArg::integerArg(kFirewallFailed), EventArg::text("")});
  connectResultStep(kFirewallFailed);
}

}  // namespace velmora::components
