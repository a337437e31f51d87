#include "components/ipport/tcp_client.h"
#include "platform/inet.h"

namespace velmora::components {
namespace {

// Linger and TCPKeepAlive answer a query with 0 or 1 rather than a word.
bool configFlagField(const ConfigSetting& setting, const char* key, bool* field,
                     std::string* answer) {
  if (!setting.is(key)) return false;
  if (setting.isQuery) {
    *answer = *field ? "1" : "0";
  } else {
    *field = setting.boolValue();
  }
  return true;
}

}  // namespace

bool TcpClient::configureOption(const ConfigSetting& setting, std::string* answer) {
  bool keepAlive = keepAlive_;
  if (configFlagField(setting, "TCPKeepAlive", &keepAlive, answer)) {
    if (!setting.isQuery) setTcpKeepAlive(keepAlive);
    return true;
  }
  bool lingerOn = linger_;
  if (configFlagField(setting, "Linger", &lingerOn, answer)) {
    if (!setting.isQuery) setLinger(lingerOn);
    return true;
  }
  int value = 0;
  if (setting.is("KeepAliveTime") || setting.is("KeepAliveInterval")) {
    int* field = setting.is("KeepAliveTime") ? &keepAliveTime_ : &keepAliveInterval_;
    if (setting.isQuery) {
      *answer = configInteger(*field);
    } else {
      setKeepAliveTiming(field, setting.intValue());
    }
    return true;
  }
  if (configIntField(setting, "LingerTime", &lingerTime_, answer)) {
    if (!setting.isQuery && hasSocket()) applyLinger();
    return true;
  }
  if (configBoolField(setting, "TcpNoDelay", &noDelay_, answer)) {
    if (!setting.isQuery && hasSocket()) {
      platform::setSocketOption(socket_, platform::SocketOption::kTcpNoDelay, noDelay_);
    }
    return true;
  }
  for (bool in : {true, false}) {
    if (!setting.is(in ? "InBufferSize" : "OutBufferSize")) continue;
    if (setting.isQuery) {
      *answer = configInteger(in ? inBufferSize() : outBufferSize());
      return true;
    }
    value = setting.intValue();
    in ? setInBufferSize(value) : setOutBufferSize(value);
    if (hasSocket() && value != 0) {
      platform::setSocketOption(
          socket_,
          in ? platform::SocketOption::kReceiveBuffer : platform::SocketOption::kSendBuffer, value);
    }
    return true;
  }
  return configBoolField(setting, "BindIPv6Address", &bindIPv6Address_, answer);
}

bool TcpClient::configureFirewall(const ConfigSetting& setting, std::string* answer) {
  if (setting.is("FirewallData")) return true;  // accepted and ignored
  if (configIntField(setting, "FirewallPort", &firewall_.port, answer)) return true;
  // Type and auto-detection act as their properties do when set.
  bool autoDetect = firewall_.autoDetect;
  if (configBoolField(setting, "FirewallAutoDetect", &autoDetect, answer)) {
    if (!setting.isQuery) setFirewallAutoDetect(autoDetect);
    return true;
  }
  int type = firewall_.type;
  if (configIntField(setting, "FirewallType", &type, answer)) {
    if (!setting.isQuery) setFirewallType(type);
    return true;
  }
  if (setting.is("FirewallHost")) {
    if (setting.isQuery) {
      *answer = firewall_.address != 0 ? platform::inetNtoa(firewall_.address) : "";
    } else {
      setFirewallHost(setting.value.c_str());
    }
    return true;
  }
  std::string* text = setting.is("FirewallUser")       ? &firewall_.user
                      : setting.is("FirewallPassword") ? &firewall_.password
                                                       : nullptr;
  if (text == nullptr) return false;
  if (setting.isQuery) {
    *answer = *text;
  } else {
    *text = setting.value.substr(0, 255);  // as setFirewallUser/Password
  }
  return true;
}

bool TcpClient::configureLines(const ConfigSetting& setting, std::string* answer) {
  if (setting.is("SplitCRLF")) {
    if (setting.isQuery) {
      *answer = configBool(lineBuffer_.crLfMode());
    } else {
      bool on = setting.boolValue();
      lineBuffer_.setCrLfMode(on);
      lineBuffer_.setTerminator(on ? "\r\n" : "");
    }
    return true;
  }
  if (setting.is("MaxLineLength")) {
    if (setting.isQuery) *answer = configInteger(maxLineLength());
    return true;
  }
  return false;
}

int TcpClient::configure(const ConfigSetting& setting, std::string* answer) {
  if (setting.is("MaxLineLength") && !setting.isQuery) {
    return setMaxLineLength(setting.intValue());
  }
  if (setting.is("MaxTransferRate")) {
    if (setting.isQuery) {
      *answer = configInteger(maxTransferRate_);
    } else {
      maxTransferRate_ = setting.integerValue();
    }
    return 0;
  }
  if (setting.is("SocketHandle")) {
    if (!setting.isQuery) return kUnknownSetting;
    *answer = configInteger(hasSocket() ? static_cast<int64_t>(socket_) : -1);
    return 0;
  }
  if (configIntField(setting, "UseExtendedDST", &useExtendedDst_, answer) ||
      configureLines(setting, answer) || configureFirewall(setting, answer) ||
      configureOption(setting, answer)) {
    return 0;
  }
  return SocketComponent::configure(setting, answer);
}

}  // namespace velmora::components
