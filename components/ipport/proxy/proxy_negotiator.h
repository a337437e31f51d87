#ifndef TAVRO_COMPONENTS_IPPORT_PROXY_PROXY_NEGOTIATOR_H_
#define TAVRO_COMPONENTS_IPPORT_PROXY_PROXY_NEGOTIATOR_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "components/ipport/proxy/auth_token.h"

namespace velmora::components::proxy {

/// Proxy types of the FirewallType property.
enum ProxyType {
  kProxyNone = 0,
  kProxyHttp = 1,
  kProxySocks4 = 2,
  kProxySocks5 = 3,
  kProxyHttpNtlm = 4,
  kProxyHttpNegotiate = 5,
};

/// Result code of every negotiation failure.
constexpr int kProxyFailed = 118;
/// Largest reply (or reply line) kept while negotiating.
constexpr size_t kMaxProxyReply = 65536;

/// What the tunnel is negotiated for.
struct ProxySettings {
  int type = kProxyNone;
  std::string remoteHost;
  int remotePort = 0;
  std::string user;
  std::string password;
  bool useSystemSspi = true;
};

/// The connection services the negotiation needs: `send` sends the bytes
/// with one call and returns 0 or a Winsock code; `resolve` gives an IPv4
/// address in network order or a Winsock code.
struct ProxyIo {
  std::function<int(const std::string& bytes)> send;
  std::function<int(const std::string& name, uint32_t* address)> resolve;
};

/// Where a negotiation stands after a call.
enum class ProxyStep {
  kPending,   // waiting for more from the proxy
  kComplete,  // the tunnel is open
  kFailed,    // give up and close the connection
  kRejected,  // the proxy refused over HTTP: report, but keep the connection
};

/// Negotiates a tunnel through an HTTP, SOCKS4 or SOCKS5 proxy over an open
/// connection. The client drives it: start() once the connection to the
/// proxy is open, then every received chunk until a step other than
/// kPending. HTTP authentication replies are split into lines at LF (a CR
/// before it dropped); their bodies are counted by bytes, so a body need not
/// end with a line break. On kFailed and kRejected,
/// errorCode(), errorText() (the Error event) and message() (the message
/// text; empty: keep the current one) say why. A hostile proxy can only make
/// it fail: every reply is length-checked and kept below kMaxProxyReply.
class ProxyNegotiator {
 public:
  ProxyNegotiator(ProxySettings settings, ProxyIo io,
                  std::unique_ptr<AuthTokenSource> tokens = nullptr);

  ProxyStep start();
  /// Bytes from the proxy. `used` receives how many belong to the
  /// negotiation; the rest, after kComplete, are the tunnel's first data.
  ProxyStep receiveBytes(const char* data, size_t length, size_t* used);

  int errorCode() const { return errorCode_; }
  const std::string& errorText() const { return errorText_; }
  const std::string& message() const { return message_; }

 private:
  enum class State {
    kIdle,
    kHttpReply,
    kSocks4Reply,
    kSocks5Method,
    kSocks5Auth,
    kSocks5Reply,
    kAuthStatus,
    kAuthHeaders,
    kAuthBody,
    kAuthChunkSize,
    kAuthChunkEnd,
    kAuthTrailer,
    kFinalStatus,
    kFinalHeaders,
    kDone,
  };

  ProxyStep startHttp();
  ProxyStep startSocks4();
  ProxyStep startAuth();
  ProxyStep sendRequest(const std::string& bytes);
  ProxyStep sendSocks5Connect();
  bool collect(const char* data, size_t length, size_t need, size_t* used);
  ProxyStep onHttpBytes(const char* data, size_t length, size_t* used);
  ProxyStep onSocksReply();
  ProxyStep onSocks5Method();
  ProxyStep onAuthBytes(const char* data, size_t length, size_t* used);
  ProxyStep onAuthLine(const std::string& line);
  ProxyStep onAuthHeader(const std::string& line);
  ProxyStep onChunkSize(const std::string& line);
  ProxyStep onBodyDone();
  ProxyStep sendAuthAnswer();
  ProxyStep fail(const std::string& text);
  ProxyStep failToken(int code, const std::string& text);
  ProxyStep rejectStatus(const std::string& line);
  std::string authScheme() const;

  ProxySettings settings_;
  ProxyIo io_;
  std::unique_ptr<AuthTokenSource> tokens_;
  State state_ = State::kIdle;
  std::string reply_;
  std::string partialLine_;
  std::string challenge_;
  int64_t bodyLength_ = 0;
  int64_t bodySeen_ = 0;
  bool chunked_ = false;
  int errorCode_ = 0;
  std::string errorText_;
  std::string message_;
};

}  // namespace velmora::components::proxy

#endif  // TAVRO_COMPONENTS_IPPORT_PROXY_PROXY_NEGOTIATOR_H_
