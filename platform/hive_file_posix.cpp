#include "platform/hive_file_posix.h"

#include <algorithm>
#include <cstdio>

#include "platform/registry.h"

namespace velmora::platform::hive {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// FNV-1a over the folded bytes: names that differ only in ASCII case hash
// alike.
uint32_t foldedHash(const std::string& name) {
  uint64_t hash = 14695981039346656037ull;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(foldCase(c));
    hash *= 1099511628211ull;
  }
  // FNV's low bits depend on the low bits of the bytes alone, and only the
  // low bits pick a slot: mix the high ones in (MurmurHash3's finaliser).
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdull;
  hash ^= hash >> 33;
  hash *= 0xc4ceb9fe1a85ec53ull;
  hash ^= hash >> 33;
  return static_cast<uint32_t>(hash);
}

void appendHexByte(std::string* out, unsigned char byte) {
  out->push_back(kHexDigits[byte >> 4]);
  out->push_back(kHexDigits[byte & 0x0f]);
}

// Reads the text between the quotes starting at text[*pos] and leaves *pos
// after the closing quote.
bool readQuoted(const std::string& text, size_t* pos, std::string* out) {
  if (*pos >= text.size() || text[*pos] != '"') return false;
  size_t i = *pos + 1;
  out->clear();
  while (i < text.size()) {
    char c = text[i++];
    if (c == '"') {
      *pos = i;
      return true;
    }
    if (isControl(static_cast<unsigned char>(c))) return false;
    if (c != '\\') {
      out->push_back(c);
      continue;
    }
    if (i >= text.size()) return false;
    char e = text[i++];
    switch (e) {
      case '\\':
        out->push_back('\\');
        break;
      case '"':
        out->push_back('"');
        break;
      case 'n':
        out->push_back('\n');
        break;
      case 'r':
        out->push_back('\r');
        break;
      case 't':
        out->push_back('\t');
        break;
      case 'x': {
        if (i + 2 > text.size()) return false;
        int hi = hexValue(text[i]), lo = hexValue(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  return false;
}

void appendQuoted(std::string* out, const std::string& text) {
  out->push_back('"');
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '\\':
        out->append("\\\\");
        break;
      case '"':
        out->append("\\\"");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\r':
        out->append("\\r");
        break;
      case '\t':
        out->append("\\t");
        break;
      default:
        if (isControl(u)) {
          out->append("\\x");
          appendHexByte(out, u);
        } else {
          out->push_back(c);
        }
    }
  }
  out->push_back('"');
}

// "hh,hh,..." to bytes; the empty text is no bytes.
bool parseHexBytes(const std::string& text, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  for (size_t i = 0;; i += 3) {
    if (i + 2 > text.size()) return false;
    int hi = hexValue(text[i]), lo = hexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
    if (i + 2 == text.size()) return true;
    if (text[i + 2] != ',') return false;
  }
}

// 1 to 8 hex digits as a 32-bit number.
bool parseHexNumber(const std::string& text, uint32_t* out) {
  if (text.empty() || text.size() > 8) return false;
  uint32_t n = 0;
  for (char c : text) {
    int d = hexValue(c);
    if (d < 0) return false;
    n = n * 16 + static_cast<uint32_t>(d);
  }
  *out = n;
  return true;
}

std::string littleEndian(uint32_t n) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((n >> (8 * i)) & 0xff);
  return bytes;
}

bool parseData(const std::string& text, Value* value) {
  if (!text.empty() && text[0] == '"') {
    size_t pos = 0;
    std::string s;
    if (!readQuoted(text, &pos, &s) || pos != text.size()) return false;
    if (s.find('\0') != std::string::npos) return false;
    value->type = kRegSz;
    value->data = s + '\0';
    return true;
  }
  if (text.compare(0, 6, "dword:") == 0) {
    uint32_t n = 0;
    if (!parseHexNumber(text.substr(6), &n)) return false;
    value->type = kRegDword;
    value->data = littleEndian(n);
    return true;
  }
  if (text.compare(0, 4, "hex:") == 0) {
    value->type = kRegBinary;
    return parseHexBytes(text.substr(4), &value->data);
  }
  if (text.compare(0, 4, "hex(") == 0) {
    size_t close = text.find("):", 4);
    if (close == std::string::npos) return false;
    if (!parseHexNumber(text.substr(4, close - 4), &value->type)) return false;
    return parseHexBytes(text.substr(close + 2), &value->data);
  }
  return false;
}

// A REG_SZ is written as text only when the text form gives back the very
// same bytes: one terminating zero and none inside.
bool isPlainString(const Value& value) {
  if (value.type != kRegSz || value.data.empty()) return false;
  if (value.data.back() != '\0') return false;
  return value.data.find('\0') == value.data.size() - 1;
}

void appendData(std::string* out, const Value& value) {
  if (isPlainString(value)) {
    appendQuoted(out, value.data.substr(0, value.data.size() - 1));
    return;
  }
  if (value.type == kRegDword && value.data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(value.data[i]);
    char digits[16];
    std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(n));
    out->append(digits);
    return;
  }
  if (value.type == kRegBinary) {
    out->append("hex:");
  } else {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    out->append(prefix);
  }
  for (size_t i = 0; i < value.data.size(); ++i) {
    if (i > 0) out->push_back(',');
    appendHexByte(out, static_cast<unsigned char>(value.data[i]));
  }
}

bool parseLine(const std::string& line, Value* value) {
  size_t pos = 0;
  if (line.compare(0, 2, "@=") == 0) {
    value->name.clear();
    pos = 1;
  } else if (!readQuoted(line, &pos, &value->name) || value->name.empty()) {
    return false;
  }
  if (value->name.size() > kMaxValueNameLength) return false;
  if (pos >= line.size() || line[pos] != '=') return false;
  return parseData(line.substr(pos + 1), value);
}

bool isBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

bool parseValues(const std::string& text, ValueList* values, std::string* error) {
  *values = ValueList();
  // Room for every line up front spares copying the values as they grow.
  // The shortest named value line, "a"="", takes 7 bytes with its line end,
  // so lines without values cannot make it reserve much more than it uses.
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  values->reserve(std::min(lines, text.size() / 7 + 1));
  size_t start = 0;
  std::string line;
  for (int lineNumber = 1; start < text.size(); ++lineNumber) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    line.assign(text, start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (isBlank(line) || line[0] == ';') continue;
    Value value;
    if (!parseLine(line, &value)) {
      *error = "line " + std::to_string(lineNumber) + ": not a registry value";
      return false;
    }
    if (!values->add(std::move(value))) {
      *error = "line " + std::to_string(lineNumber) + ": value named twice";
      return false;
    }
  }
  return true;
}

bool parseValues(const std::string& text, std::vector<Value>* values, std::string* error) {
  ValueList list;
  values->clear();
  if (!parseValues(text, &list, error)) return false;
  *values = list.values();
  return true;
}

std::string formatValues(const std::vector<Value>& values) {
  std::string out;
  for (const Value& value : values) {
    if (value.name.empty()) {
      out.push_back('@');
    } else {
      appendQuoted(&out, value.name);
    }
    out.push_back('=');
    appendData(&out, value);
    out.push_back('\n');
  }
  return out;
}

bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

size_t ValueList::slotOf(const std::string& name, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.entry == 0) return i;
    if (slot.hash == hash && sameName(values_[slot.entry - 1].name, name)) return i;
  }
}

void ValueList::grow() {
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{0, 0});
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.entry == 0) continue;
    size_t i = slot.hash & mask;
    while (slots_[i].entry != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

const Value* ValueList::find(const std::string& name) const {
  if (slots_.empty()) return nullptr;
  const Slot& slot = slots_[slotOf(name, foldedHash(name))];
  return slot.entry == 0 ? nullptr : &values_[slot.entry - 1];
}

void ValueList::reserve(size_t count) { values_.reserve(count); }

bool ValueList::add(Value value) {
  if ((values_.size() + 1) * 2 > slots_.size()) grow();
  const uint32_t hash = foldedHash(value.name);
  Slot& slot = slots_[slotOf(value.name, hash)];
  if (slot.entry != 0) return false;
  values_.push_back(std::move(value));
  slot = Slot{static_cast<uint32_t>(values_.size()), hash};
  return true;
}

void ValueList::put(const std::string& name, uint32_t type, const std::string& data) {
  const Value* found = find(name);
  if (found == nullptr) {
    add(Value{name, type, data});
    return;
  }
  Value& value = values_[static_cast<size_t>(found - values_.data())];
  value.type = type;
  value.data = data;
}

std::string encodeKeyName(const std::string& name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '%' || c == '/' || isControl(c) || (i == 0 && c == '.')) {
      out.push_back('%');
      appendHexByte(&out, c);
    } else {
      out.push_back(name[i]);
    }
  }
  return out;
}

bool decodeKeyName(const std::string& encoded, std::string* name) {
  name->clear();
  if (encoded.empty() || encoded[0] == '.') return false;
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] != '%') {
      name->push_back(encoded[i]);
      continue;
    }
    if (i + 2 >= encoded.size()) return false;
    int hi = hexValue(encoded[i + 1]), lo = hexValue(encoded[i + 2]);
    if (hi < 0 || lo < 0) return false;
    name->push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return encodeKeyName(*name) == encoded;
}

}  // namespace velmora::platform::hive
