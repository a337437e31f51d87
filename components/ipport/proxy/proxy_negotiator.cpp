#include "components/ipport/proxy/proxy_negotiator.h"

#include <algorithm>
#include <cstring>

#include "components/ipport/proxy/base64.h"
#include "components/ipport/proxy/http_reply.h"
#include "components/ipport/proxy/socks.h"
#include "platform/ticks.h"

namespace velmora::components::proxy {
namespace {

// A body is counted, never stored; this bound only keeps the sums finite.
constexpr int64_t kMaxBodyLength = int64_t{1} << 40;

std::unique_ptr<AuthTokenSource> defaultTokens(const ProxySettings& s) {
  if (s.type == kProxyHttpNtlm && !s.useSystemSspi) {
    return std::make_unique<BuiltInNtlm>(s.user, s.password, platform::tickCount());
  }
  const char* package = s.type == kProxyHttpNtlm ? "NTLM" : "Negotiate";
  return std::make_unique<SystemAuth>(package, s.user, s.password, s.remoteHost);
}

}  // namespace

ProxyNegotiator::ProxyNegotiator(ProxySettings settings, ProxyIo io,
                                 std::unique_ptr<AuthTokenSource> tokens)
    : settings_(std::move(settings)), io_(std::move(io)), tokens_(std::move(tokens)) {}

std::string ProxyNegotiator::authScheme() const {
  return settings_.type == kProxyHttpNtlm ? "NTLM" : "Negotiate";
}

ProxyStep ProxyNegotiator::start() {
  switch (settings_.type) {
    case kProxyHttp:
      return startHttp();
    case kProxySocks4:
      return startSocks4();
    case kProxySocks5:
      state_ = State::kSocks5Method;
      return sendRequest(socks5Greeting(!settings_.user.empty() && !settings_.password.empty()));
    case kProxyHttpNtlm:
    case kProxyHttpNegotiate:
      return startAuth();
    default:
      return fail(std::string());
  }
}

ProxyStep ProxyNegotiator::startHttp() {
  std::string authorization;
  if (!settings_.user.empty() || !settings_.password.empty()) {
    authorization = "Basic " + base64Encode(settings_.user + ":" + settings_.password);
  }
  state_ = State::kHttpReply;
  return sendRequest(
      httpConnectRequest(settings_.remoteHost, settings_.remotePort, authorization, false));
}

ProxyStep ProxyNegotiator::startSocks4() {
  uint32_t address = 0;
  if (io_.resolve(settings_.remoteHost, &address) != 0 || address == 0) {
    return fail(std::string());
  }
  state_ = State::kSocks4Reply;
  return sendRequest(socks4Request(address, settings_.remotePort, settings_.user));
}

ProxyStep ProxyNegotiator::startAuth() {
  if (!tokens_) tokens_ = defaultTokens(settings_);
  std::string token;
  std::string text;
  int code = tokens_->firstToken(&token, &text);
  if (code != 0) return failToken(code, text);
  state_ = State::kAuthStatus;
  return sendRequest(httpConnectRequest(settings_.remoteHost, settings_.remotePort,
                                        authScheme() + " " + base64Encode(token), true));
}

ProxyStep ProxyNegotiator::sendRequest(const std::string& bytes) {
  if (io_.send(bytes) != 0) return fail(std::string());
  return ProxyStep::kPending;
}

ProxyStep ProxyNegotiator::fail(const std::string& text) {
  state_ = State::kDone;
  errorCode_ = kProxyFailed;
  errorText_ = text;
  message_ = text;
  return ProxyStep::kFailed;
}

// The Error event carries the authentication code and text; the connection
// attempt itself still ends with 118.
ProxyStep ProxyNegotiator::failToken(int code, const std::string& text) {
  fail(text);
  errorCode_ = code;
  return ProxyStep::kFailed;
}

ProxyStep ProxyNegotiator::rejectStatus(const std::string& line) {
  std::string code;
  std::string rest;
  splitStatusLine(line, &code, &rest);
  state_ = State::kDone;
  errorCode_ = kProxyFailed;
  errorText_ = line;
  message_ = "Firewall error: " + code + " " + rest;
  return ProxyStep::kRejected;
}

// Moves bytes into reply_ until it holds `need`; true once it does.
bool ProxyNegotiator::collect(const char* data, size_t length, size_t need, size_t* used) {
  size_t take = std::min(length, need - std::min(need, reply_.size()));
  reply_.append(data, take);
  *used += take;
  return reply_.size() >= need;
}

ProxyStep ProxyNegotiator::receiveBytes(const char* data, size_t length, size_t* used) {
  *used = 0;
  ProxyStep step = ProxyStep::kPending;
  // One chunk can carry several SOCKS5 replies' worth of bytes; keep going
  // while each reply completes and more bytes are left.
  while (step == ProxyStep::kPending && *used < length) {
    const char* rest = data + *used;
    size_t left = length - *used;
    switch (state_) {
      case State::kHttpReply:
        return onHttpBytes(rest, left, used);
      case State::kSocks4Reply:
        if (!collect(rest, left, kSocks4ReplySize, used)) return ProxyStep::kPending;
        return onSocksReply();
      case State::kSocks5Method:
      case State::kSocks5Auth:
        if (!collect(rest, left, kSocks5MethodReplySize, used)) return ProxyStep::kPending;
        step = onSocks5Method();
        break;
      case State::kSocks5Reply: {
        if (!collect(rest, left, kSocks5ReplyHead, used)) return ProxyStep::kPending;
        size_t need =
            socks5ReplyLength(static_cast<uint8_t>(reply_[3]), static_cast<uint8_t>(reply_[4]));
        if (!collect(data + *used, length - *used, need, used)) return ProxyStep::kPending;
        return onSocksReply();
      }
      case State::kIdle:
      case State::kDone:
        *used = length;
        return ProxyStep::kPending;
      default:
        return onAuthBytes(data, length, used);
    }
  }
  return step;
}

ProxyStep ProxyNegotiator::onHttpBytes(const char* data, size_t length, size_t* used) {
  size_t before = reply_.size();
  size_t room = kMaxProxyReply - before;
  reply_.append(data, std::min(length, room));
  size_t headerEnd = 0;
  ConnectReplyState judged = judgeConnectReply(reply_, &headerEnd);
  if (judged == ConnectReplyState::kRejected) {
    *used = length;
    state_ = State::kDone;
    errorCode_ = kProxyFailed;
    errorText_ = reply_;
    message_ = connectFailureMessage(reply_);
    return ProxyStep::kRejected;
  }
  if (judged == ConnectReplyState::kAccepted) {
    // What follows the reply's empty line already belongs to the tunnel. The
    // empty line may have come before the status could be judged, so it can
    // lie in bytes collected earlier.
    *used = headerEnd > before ? headerEnd - before : 0;
    state_ = State::kDone;
    return ProxyStep::kComplete;
  }
  *used = length;
  if (reply_.size() >= kMaxProxyReply) return fail("firewall reply too long");
  return ProxyStep::kPending;
}

ProxyStep ProxyNegotiator::onSocksReply() {
  uint8_t code = static_cast<uint8_t>(reply_[1]);
  std::string text = state_ == State::kSocks4Reply ? socks4ReplyText(code) : socks5ReplyText(code);
  if (!text.empty()) return fail(text);
  state_ = State::kDone;
  return ProxyStep::kComplete;
}

ProxyStep ProxyNegotiator::onSocks5Method() {
  uint8_t second = static_cast<uint8_t>(reply_[1]);
  reply_.clear();
  if (state_ == State::kSocks5Auth) {
    if (second != 0) return fail("firewall authentication failed: " + std::to_string(second));
    return sendSocks5Connect();
  }
  std::string text = socks5MethodText(second);
  if (!text.empty()) return fail(text);
  if (second == kSocks5MethodNone) return sendSocks5Connect();
  state_ = State::kSocks5Auth;
  return sendRequest(socks5PasswordRequest(settings_.user, settings_.password));
}

ProxyStep ProxyNegotiator::sendSocks5Connect() {
  const std::string& host = settings_.remoteHost;
  std::string request;
  if (!host.empty() && host[0] == '*') {
    if (!socks5ConnectByName(host.substr(1), settings_.remotePort, &request)) {
      return fail("address type not supported");
    }
  } else {
    uint32_t address = 0;
    if (io_.resolve(host, &address) != 0 || address == 0) return fail(std::string());
    request = socks5ConnectByAddress(address, settings_.remotePort);
  }
  state_ = State::kSocks5Reply;
  return sendRequest(request);
}

ProxyStep ProxyNegotiator::onAuthBytes(const char* data, size_t length, size_t* used) {
  while (*used < length) {
    const char* rest = data + *used;
    size_t left = length - *used;
    if (state_ == State::kAuthBody) {
      int64_t take = std::min<int64_t>(bodyLength_ - bodySeen_, static_cast<int64_t>(left));
      bodySeen_ += take;
      *used += static_cast<size_t>(take);
      if (bodySeen_ < bodyLength_) return ProxyStep::kPending;
      ProxyStep step = onBodyDone();
      if (step != ProxyStep::kPending) return step;
      continue;
    }
    const char* end = static_cast<const char*>(std::memchr(rest, '\n', left));
    size_t piece = end != nullptr ? static_cast<size_t>(end - rest) : left;
    if (partialLine_.size() + piece > kMaxProxyReply) return fail("firewall reply too long");
    partialLine_.append(rest, piece);
    *used += end != nullptr ? piece + 1 : piece;
    if (end == nullptr) return ProxyStep::kPending;
    std::string line;
    line.swap(partialLine_);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ProxyStep step = onAuthLine(line);
    if (step != ProxyStep::kPending) return step;
  }
  return ProxyStep::kPending;
}

ProxyStep ProxyNegotiator::onAuthLine(const std::string& line) {
  std::string code;
  std::string rest;
  switch (state_) {
    case State::kAuthStatus:
      splitStatusLine(line, &code, &rest);
      if (code != "401" && code != "407") return rejectStatus(line);
      state_ = State::kAuthHeaders;
      challenge_.clear();
      bodyLength_ = bodySeen_ = 0;
      chunked_ = false;
      return ProxyStep::kPending;
    case State::kAuthHeaders:
      return onAuthHeader(line);
    case State::kAuthChunkSize:
      return onChunkSize(line);
    case State::kAuthChunkEnd:
      state_ = State::kAuthChunkSize;
      return ProxyStep::kPending;
    case State::kAuthTrailer:
      return line.empty() ? sendAuthAnswer() : ProxyStep::kPending;
    case State::kFinalStatus:
      splitStatusLine(line, &code, &rest);
      if (code.empty() || code[0] != '2') return rejectStatus(line);
      state_ = State::kFinalHeaders;
      return ProxyStep::kPending;
    case State::kFinalHeaders:
      if (!line.empty()) return ProxyStep::kPending;
      state_ = State::kDone;
      return ProxyStep::kComplete;
    default:
      return ProxyStep::kPending;
  }
}

ProxyStep ProxyNegotiator::onAuthHeader(const std::string& line) {
  if (line.empty()) {
    if (chunked_) {
      state_ = State::kAuthChunkSize;
      return ProxyStep::kPending;
    }
    // Without a body there is nothing more to wait for: answer at once.
    state_ = State::kAuthBody;
    return bodyLength_ == 0 ? sendAuthAnswer() : ProxyStep::kPending;
  }
  std::string name;
  std::string value;
  if (!splitHeader(line, &name, &value)) return ProxyStep::kPending;
  if (equalsIgnoreCase(name, "Content-Length")) {
    if (!parseContentLength(value, kMaxBodyLength, &bodyLength_)) return fail("bad firewall reply");
  } else if (equalsIgnoreCase(name, "Transfer-Encoding")) {
    chunked_ = equalsIgnoreCase(value, "Chunked");
  } else if (equalsIgnoreCase(name, "Proxy-Authenticate")) {
    // Offers of other schemes (Basic, ...) must not replace our challenge.
    size_t blank = value.find(' ');
    std::string scheme = value.substr(0, blank);
    if (equalsIgnoreCase(scheme, authScheme().c_str())) {
      challenge_ = blank == std::string::npos ? std::string() : value.substr(blank + 1);
    }
  }
  return ProxyStep::kPending;
}

ProxyStep ProxyNegotiator::onChunkSize(const std::string& line) {
  if (!parseChunkSize(line, kMaxBodyLength, &bodyLength_)) return fail("bad firewall chunk");
  bodySeen_ = 0;
  state_ = bodyLength_ == 0 ? State::kAuthTrailer : State::kAuthBody;
  return ProxyStep::kPending;
}

ProxyStep ProxyNegotiator::onBodyDone() {
  if (!chunked_) return sendAuthAnswer();
  state_ = State::kAuthChunkEnd;  // the line break after the chunk's data
  return ProxyStep::kPending;
}

ProxyStep ProxyNegotiator::sendAuthAnswer() {
  std::string decoded;
  std::string token;
  std::string text;
  base64Decode(challenge_, &decoded);
  int code = tokens_->answerToken(decoded, &token, &text);
  if (code != 0) return failToken(code, text);
  state_ = State::kFinalStatus;
  return sendRequest(httpConnectRequest(settings_.remoteHost, settings_.remotePort,
                                        authScheme() + " " + base64Encode(token), true));
}

}  // namespace velmora::components::proxy
