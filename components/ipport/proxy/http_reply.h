#ifndef TAVRO_COMPONENTS_IPPORT_PROXY_HTTP_REPLY_H_
#define TAVRO_COMPONENTS_IPPORT_PROXY_HTTP_REPLY_H_

#include <cstdint>
#include <string>

namespace velmora::components::proxy {

/// The CONNECT request, with a "Proxy-Authorization" header when
/// `authorization` (scheme and token) is not empty, and "Proxy-Connection:
/// Keep-Alive" when `keepAlive`.
std::string httpConnectRequest(const std::string& host, int port, const std::string& authorization,
                               bool keepAlive);

/// Progress of a collected CONNECT reply.
enum class ConnectReplyState { kIncomplete, kRejected, kAccepted };

/// Judges the bytes of a CONNECT reply collected so far: from 10 bytes on,
/// the first character after the first run of blanks must be "2"; the
/// reply is accepted at its first empty line, and `headerEnd` is then the
/// number of bytes up to and including it.
ConnectReplyState judgeConnectReply(const std::string& reply, size_t* headerEnd);

/// "Firewall error. " with the reply up to its first CR and a full stop.
std::string connectFailureMessage(const std::string& reply);

/// The status code of a status line (the word after the first blank) and
/// the text after that word's blank.
void splitStatusLine(const std::string& line, std::string* code, std::string* rest);

/// Splits "Name: value"; false when the line has no colon. The value loses
/// its leading blanks.
bool splitHeader(const std::string& line, std::string* name, std::string* value);

bool equalsIgnoreCase(const std::string& a, const char* b);

/// A chunk-size line: hexadecimal digits, optionally followed by ";" and
/// extensions. False when there is no digit or the size exceeds `limit`.
bool parseChunkSize(const std::string& line, int64_t limit, int64_t* size);

/// A Content-Length value: decimal digits only, at most `limit`.
bool parseContentLength(const std::string& value, int64_t limit, int64_t* length);

}  // namespace velmora::components::proxy

#endif  // TAVRO_COMPONENTS_IPPORT_PROXY_HTTP_REPLY_H_
