#include "components/ipport/proxy/http_reply.h"

#include <cctype>

namespace velmora::components::proxy {
namespace {

constexpr size_t kMinimumJudged = 10;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string httpConnectRequest(const std::string& host, int port, const std::string& authorization,
                               bool keepAlive) {
  std::string request = "CONNECT " + host + ":" + std::to_string(port) + " HTTP/1.0\r\n";
  if (!authorization.empty()) request += "Proxy-Authorization: " + authorization + "\r\n";
  if (keepAlive) request += "Proxy-Connection: Keep-Alive\r\n";
  return request + "\r\n";
}

ConnectReplyState judgeConnectReply(const std::string& reply, size_t* headerEnd) {
  if (reply.size() < kMinimumJudged) return ConnectReplyState::kIncomplete;
  size_t blank = reply.find(' ');
  if (blank == std::string::npos) return ConnectReplyState::kRejected;
  size_t code = blank;
  while (code < reply.size() && isBlank(reply[code])) ++code;
  // The blanks may run to the end of what arrived: the code is still to come.
  if (code == reply.size()) return ConnectReplyState::kIncomplete;
  if (reply[code] != '2') return ConnectReplyState::kRejected;
  size_t crlf = reply.find("\r\n\r\n");
  size_t lf = reply.find("\n\n");
  if (crlf == std::string::npos && lf == std::string::npos) return ConnectReplyState::kIncomplete;
  if (crlf != std::string::npos && (lf == std::string::npos || crlf + 2 <= lf)) {
    *headerEnd = crlf + 4;
  } else {
    *headerEnd = lf + 2;
  }
  return ConnectReplyState::kAccepted;
}

std::string connectFailureMessage(const std::string& reply) {
  std::string line = reply.substr(0, reply.find('\r'));
  std::string message = "Firewall error. " + line;
  if (line.empty() || line.back() != '.') message += '.';
  return message;
}

void splitStatusLine(const std::string& line, std::string* code, std::string* rest) {
  code->clear();
  rest->clear();
  size_t blank = line.find(' ');
  if (blank == std::string::npos) return;
  size_t end = line.find(' ', blank + 1);
  *code = line.substr(blank + 1, end == std::string::npos ? std::string::npos : end - blank - 1);
  if (end != std::string::npos) *rest = line.substr(end + 1);
}

bool splitHeader(const std::string& line, std::string* name, std::string* value) {
  size_t colon = line.find(':');
  if (colon == std::string::npos) return false;
  *name = line.substr(0, colon);
  size_t start = colon + 1;
  while (start < line.size() && isBlank(line[start])) ++start;
  *value = line.substr(start);
  return true;
}

bool equalsIgnoreCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

bool parseChunkSize(const std::string& line, int64_t limit, int64_t* size) {
  *size = 0;
  size_t i = 0;
  while (i < line.size() && isBlank(line[i])) ++i;
  size_t first = i;
  for (; i < line.size() && hexValue(line[i]) >= 0; ++i) {
    *size = *size * 16 + hexValue(line[i]);
    if (*size > limit) return false;
  }
  return i > first;
}

bool parseContentLength(const std::string& value, int64_t limit, int64_t* length) {
  *length = 0;
  size_t end = value.size();
  while (end > 0 && isBlank(value[end - 1])) --end;
  if (end == 0) return false;
  for (size_t i = 0; i < end; ++i) {
    if (value[i] < '0' || value[i] > '9') return false;
    *length = *length * 10 + (value[i] - '0');
    if (*length > limit) return false;
  }
  return true;
}

}  // namespace velmora::components::proxy
