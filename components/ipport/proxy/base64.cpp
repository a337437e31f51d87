#include "components/ipport/proxy/base64.h"

#include <cstdint>

namespace velmora::components::proxy {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int digitValue(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string base64Encode(const std::string& data) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  for (size_t i = 0; i < data.size(); i += 3) {
    size_t left = data.size() - i;
    uint32_t group = static_cast<uint8_t>(data[i]) << 16;
    if (left > 1) group |= static_cast<uint8_t>(data[i + 1]) << 8;
    if (left > 2) group |= static_cast<uint8_t>(data[i + 2]);
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    out += left > 2 ? kAlphabet[group & 63] : '=';
  }
  return out;
}

bool base64Decode(const std::string& text, std::string* out) {
  out->clear();
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  if ((end - begin) % 4 != 0) return false;
  for (size_t i = begin; i < end; i += 4) {
    bool last = i + 4 == end;
    int padding = 0;
    uint32_t group = 0;
    for (size_t j = 0; j < 4; ++j) {
      char c = text[i + j];
      int value = digitValue(c);
      // Padding may only close the last group, and only its last two places.
      if (c == '=' && last && j >= 2 && (j == 3 || text[i + 3] == '=')) {
        ++padding;
        value = 0;
      } else if (value < 0 || padding > 0) {
        out->clear();
        return false;
      }
      group = (group << 6) | static_cast<uint32_t>(value);
    }
    out->push_back(static_cast<char>(group >> 16));
    if (padding < 2) out->push_back(static_cast<char>((group >> 8) & 0xFF));
    if (padding < 1) out->push_back(static_cast<char>(group & 0xFF));
  }
  return true;
}

}  // namespace velmora::components::proxy
