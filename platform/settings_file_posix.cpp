#include "platform/settings_file_posix.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <unordered_set>
#include <utility>

#include "platform/registry.h"

namespace velmora::platform::settings {
namespace {

// The escapes of quoted text other than \xHH: the letter after the
// backslash, and at the same place the byte it stands for.
constexpr std::string_view kEscapeLetters = "\\\"nrt";
constexpr std::string_view kEscapedBytes = "\\\"\n\r\t";

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string folded(std::string_view name) {
  std::string out(name);
  std::transform(out.begin(), out.end(), out.begin(), foldCase);
  return out;
}

// Case-folded names: the keys so far, or the values of the last key.
using Names = std::unordered_set<std::string>;

// What is left of the line being read.
struct Cursor {
  std::string_view rest;

  bool take(std::string_view prefix) {
    if (rest.substr(0, prefix.size()) != prefix) return false;
    rest.remove_prefix(prefix.size());
    return true;
  }

  // `min` to `max` hex digits as a number.
  bool hex(size_t min, size_t max, uint32_t* out) {
    const std::string_view digits = rest.substr(0, max);
    const char* end = std::from_chars(digits.data(), digits.data() + digits.size(), *out, 16).ptr;
    rest.remove_prefix(static_cast<size_t>(end - digits.data()));
    return static_cast<size_t>(end - digits.data()) >= min;
  }

  bool byte(std::string* out) {
    uint32_t n = 0;
    if (!hex(2, 2, &n)) return false;
    out->push_back(static_cast<char>(n));
    return true;
  }

  // "hh,hh,..." to the end of the line; nothing there is no bytes.
  bool bytes(std::string* out) {
    if (rest.empty()) return true;
    do {
      if (!byte(out)) return false;
    } while (take(","));
    return rest.empty();
  }

  // Text in quotes, the escapes undone.
  bool quoted(std::string* out) {
    if (!take("\"")) return false;
    while (!rest.empty()) {
      char c = rest[0];
      rest.remove_prefix(1);
      if (c == '"') return true;
      if (isControl(c) || (c == '\\' && rest.empty())) return false;
      if (c == '\\' && take("x")) {
        if (!byte(out)) return false;
        continue;
      }
      if (c == '\\') {
        const size_t escape = kEscapeLetters.find(rest[0]);
        if (escape == std::string_view::npos) return false;
        c = kEscapedBytes[escape];
        rest.remove_prefix(1);
      }
      out->push_back(c);
    }
    return false;
  }
};

bool parseValue(Cursor line, Value* value) {
  // The unnamed value is @, never "".
  if (!line.take("@") && (!line.quoted(&value->name) || value->name.empty())) return false;
  if (value->name.size() > kMaxValueNameLength || !line.take("=")) return false;
  uint32_t n = 0;
  if (line.take("dword:")) {
    if (!line.hex(1, 8, &n) || !line.rest.empty()) return false;
    value->type = kRegDword;
    for (int shift = 0; shift < 32; shift += 8)
      value->data.push_back(static_cast<char>(n >> shift));
    return true;
  }
  if (line.take("hex:")) {
    value->type = kRegBinary;
  } else if (line.take("hex(")) {
    if (!line.hex(1, 8, &value->type) || !line.take("):")) return false;
  } else {
    // Text holds no zero: its terminating one is added.
    value->type = kRegSz;
    if (!line.quoted(&value->data) || !line.rest.empty()) return false;
    if (value->data.find('\0') != std::string::npos) return false;
    value->data.push_back('\0');
    return true;
  }
  return line.bytes(&value->data);
}

bool parseHeader(std::string_view line, std::vector<std::string>* path) {
  if (line.size() < 2 || line.back() != ']') return false;
  std::string_view rest = line.substr(1, line.size() - 2);
  while (true) {
    const size_t end = rest.find('\\');
    if (!isKeyName(rest.substr(0, end))) return false;
    path->emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) return true;
    rest.remove_prefix(end + 1);
  }
}

void appendByte(std::string* out, char byte) {
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(byte));
  out->append(digits, 2);
}

void appendQuoted(std::string* out, std::string_view text) {
  out->push_back('"');
  for (char c : text) {
    const size_t escape = kEscapedBytes.find(c);
    if (escape != std::string_view::npos) {
      out->append({'\\', kEscapeLetters[escape]});
    } else if (isControl(c)) {
      out->append("\\x");
      appendByte(out, c);
    } else {
      out->push_back(c);
    }
  }
  out->push_back('"');
}

void appendData(std::string* out, const Value& value) {
  const std::string& data = value.data;
  char prefix[24] = "hex:";
  // A REG_SZ is written as text only when the text form gives back the very
  // same bytes: one terminating zero and none inside.
  if (value.type == kRegSz && !data.empty() && data.find('\0') == data.size() - 1) {
    return appendQuoted(out, std::string_view(data).substr(0, data.size() - 1));
  }
  if (value.type == kRegDword && data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(data[i]);
    std::snprintf(prefix, sizeof prefix, "dword:%08x", static_cast<unsigned>(n));
    out->append(prefix);
    return;
  }
  if (value.type != kRegBinary) {
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
  }
  out->append(prefix);
  for (size_t i = 0; i < data.size(); ++i) {
    if (i > 0) out->push_back(',');
    appendByte(out, data[i]);
  }
}

std::string joinedPath(const std::vector<std::string>& path) {
  std::string out;
  for (const std::string& name : path) out.append(out.empty() ? "" : "\\").append(name);
  return out;
}

// One line of the text; the reason it is refused, or null.
const char* parseLine(std::string_view line, std::vector<Section>* sections, Names* keys,
                      Names* names) {
  if (line[0] == '[') {
    Section section;
    if (!parseHeader(line, &section.path)) return "not a key";
    if (!keys->insert(folded(joinedPath(section.path))).second) return "key given twice";
    sections->push_back(std::move(section));
    // Not clear(), which costs as much as the largest key had names.
    *names = Names();
    return nullptr;
  }
  if (sections->empty()) return "value outside a key";
  std::vector<Value>& values = sections->back().values;
  if (!parseValue({line}, &values.emplace_back())) return "not a registry value";
  return names->insert(folded(values.back().name)).second ? nullptr : "value named twice";
}

}  // namespace

bool parseSettings(std::string_view text, std::vector<Section>* sections, std::string* error) {
  sections->clear();
  Names keys, names;
  size_t lineNumber = 0;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A zero byte even in a comment marks a file that was never text, such
    // as one a crash left filled with zeros.
    const bool comment = !line.empty() && line[0] == ';' && line.find('\0') == line.npos;
    if (comment || line.find_first_not_of(" \t") == line.npos) continue;
    if (const char* reason = parseLine(line, sections, &keys, &names)) {
      *error = "line " + std::to_string(lineNumber) + ": " + reason;
      sections->clear();
      return false;
    }
  }
  return true;
}

std::string formatSettings(const std::vector<Section>& sections) {
  std::string out;
  for (const Section& section : sections) {
    out.append(out.empty() ? "[" : "\n[").append(joinedPath(section.path)).append("]\n");
    for (const Value& value : section.values) {
      if (value.name.empty()) {
        out.push_back('@');
      } else {
        appendQuoted(&out, value.name);
      }
      out.push_back('=');
      appendData(&out, value);
      out.push_back('\n');
    }
  }
  return out;
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return foldCase(x) == foldCase(y);
         });
}

bool isKeyName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxKeyNameLength &&
         std::none_of(name.begin(), name.end(), [](char c) { return c == '\\' || isControl(c); });
}

}  // namespace velmora::platform::settings
