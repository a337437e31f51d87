#include "platform/hive_file_posix.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

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

// ASCII upper case to lower in every byte of a word at once: a byte gets
// 0x20 added when it lies in 'A'..'Z' (its high bit clear, at least 'A' and
// below 'Z' + 1).
uint64_t foldWord(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  const uint64_t low = w & (0x7f * kOnes);
  const uint64_t aboveA = low + (0x80 - 'A') * kOnes;
  const uint64_t aboveZ = low + (0x80 - 'Z' - 1) * kOnes;
  return w | (((aboveA ^ aboveZ) & ~w & (0x80 * kOnes)) >> 2);
}

// Hashes eight folded bytes at a time, so names that differ only in ASCII
// case hash alike. Equal hashes only cost a name comparison.
uint32_t foldedHash(std::string_view name) {
  constexpr uint64_t kMultiplier = 0x9e3779b97f4a7c15ull;
  uint64_t hash = name.size() * kMultiplier;
  auto mix = [&hash](uint64_t word) {
    hash = (hash ^ foldWord(word)) * kMultiplier;
    hash ^= hash >> 29;
  };
  size_t i = 0;
  for (; i + 8 <= name.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, name.data() + i, 8);
    mix(word);
  }
  // The last few bytes one by one: a copy of variable length costs a call.
  if (i < name.size()) {
    uint64_t word = 0;
    for (size_t k = 0; i + k < name.size(); ++k) {
      word |= uint64_t{static_cast<unsigned char>(name[i + k])} << (8 * k);
    }
    mix(word);
  }
  // MurmurHash3's finaliser, so that every bit of the key reaches the top
  // ones, which the index sorts on first.
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdull;
  hash ^= hash >> 33;
  hash *= 0xc4ceb9fe1a85ec53ull;
  hash ^= hash >> 33;
  return static_cast<uint32_t>(hash);
}

// Whether a folded name sorts before another: ASCII letters without regard
// to case, then by bytes.
bool foldedLess(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(foldCase(a[i]));
    unsigned char y = static_cast<unsigned char>(foldCase(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

void appendHexByte(std::string* out, unsigned char byte) {
  out->push_back(kHexDigits[byte >> 4]);
  out->push_back(kHexDigits[byte & 0x0f]);
}

bool isPlainByte(char c) {
  return c != '"' && c != '\\' && !isControl(static_cast<unsigned char>(c));
}

// The end of the run of plain bytes starting at text[from]: eight bytes at
// a time, a byte at a time only in the last word. Per word: bytes below
// 0x20, and bytes equal to '"', '\\' or 0x7f, set their top bit in `special`
// (a byte above a flagged one may be flagged wrongly, never one below it,
// so the lowest flag is exact).
size_t plainRunEnd(std::string_view text, size_t from) {
  size_t i = from;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHigh = 0x80 * kOnes;
  auto zeroByte = [](uint64_t w) { return (w - kOnes) & ~w & kHigh; };
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t w = 0;
    std::memcpy(&w, text.data() + i, 8);
    const uint64_t special = ((w - 0x20 * kOnes) & ~w & kHigh) | zeroByte(w ^ ('"' * kOnes)) |
                             zeroByte(w ^ ('\\' * kOnes)) | zeroByte(w ^ (0x7f * kOnes));
    if (special != 0) return i + static_cast<size_t>(__builtin_ctzll(special) / 8);
  }
#endif
  while (i < text.size() && isPlainByte(text[i])) ++i;
  return i;
}

// The escapes of quoted text other than \xHH: the letter after the
// backslash, and the byte it stands for.
constexpr std::pair<char, char> kEscapes[] = {
    {'\\', '\\'}, {'"', '"'}, {'n', '\n'}, {'r', '\r'}, {'t', '\t'}};

const char* escapedByte(char letter) {
  for (const auto& escape : kEscapes) {
    if (escape.first == letter) return &escape.second;
  }
  return nullptr;
}

const char* escapeLetter(char byte) {
  for (const auto& escape : kEscapes) {
    if (escape.second == byte) return &escape.first;
  }
  return nullptr;
}

// Appends the text between the quotes starting at text[*pos] to `out`, and
// leaves *pos after the closing quote.
bool readQuoted(std::string_view text, size_t* pos, std::string* out) {
  if (*pos >= text.size() || text[*pos] != '"') return false;
  size_t i = *pos + 1;
  while (i < text.size()) {
    // Copy plain runs whole; they are nearly all of a name.
    const size_t run = plainRunEnd(text, i);
    out->append(text.data() + i, run - i);
    i = run;
    if (i >= text.size()) break;
    char c = text[i++];
    if (c == '"') {
      *pos = i;
      return true;
    }
    if (c != '\\' || i >= text.size()) return false;
    const char e = text[i++];
    if (e == 'x') {
      if (i + 2 > text.size()) return false;
      int hi = hexValue(text[i]), lo = hexValue(text[i + 1]);
      if (hi < 0 || lo < 0) return false;
      out->push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
      continue;
    }
    const char* byte = escapedByte(e);
    if (byte == nullptr) return false;
    out->push_back(*byte);
  }
  return false;
}

void appendQuoted(std::string* out, std::string_view text) {
  out->push_back('"');
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (const char* letter = escapeLetter(c)) {
      out->push_back('\\');
      out->push_back(*letter);
    } else if (isControl(u)) {
      out->append("\\x");
      appendHexByte(out, u);
    } else {
      out->push_back(c);
    }
  }
  out->push_back('"');
}

// Appends the bytes of "hh,hh,..."; the empty text is no bytes.
bool readHexBytes(std::string_view text, std::string* out) {
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
bool parseHexNumber(std::string_view text, uint32_t* out) {
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

// Compared byte by byte: these prefixes are a few bytes, and a library
// comparison costs a call on every line of a file.
template <size_t N>
bool startsWith(std::string_view text, const char (&prefix)[N]) {
  if (text.size() < N - 1) return false;
  for (size_t i = 0; i + 1 < N; ++i) {
    if (text[i] != prefix[i]) return false;
  }
  return true;
}

// Appends the data of the text after '=' to `out` and sets its type.
bool readData(std::string_view text, uint32_t* type, std::string* out) {
  if (startsWith(text, "\"")) {
    const size_t from = out->size();
    size_t pos = 0;
    if (!readQuoted(text, &pos, out) || pos != text.size()) return false;
    if (out->find('\0', from) != std::string::npos) return false;
    *type = kRegSz;
    out->push_back('\0');
    return true;
  }
  if (startsWith(text, "dword:")) {
    uint32_t n = 0;
    if (!parseHexNumber(text.substr(6), &n)) return false;
    *type = kRegDword;
    const char bytes[4] = {static_cast<char>(n & 0xff), static_cast<char>((n >> 8) & 0xff),
                           static_cast<char>((n >> 16) & 0xff), static_cast<char>(n >> 24)};
    out->append(bytes, 4);
    return true;
  }
  if (startsWith(text, "hex:")) {
    *type = kRegBinary;
    return readHexBytes(text.substr(4), out);
  }
  if (startsWith(text, "hex(")) {
    size_t close = text.find("):", 4);
    if (close == std::string_view::npos) return false;
    if (!parseHexNumber(text.substr(4, close - 4), type)) return false;
    return readHexBytes(text.substr(close + 2), out);
  }
  return false;
}

// A REG_SZ is written as text only when the text form gives back the very
// same bytes: one terminating zero and none inside.
bool isPlainString(const ValueRef& value) {
  if (value.type != kRegSz || value.data.empty()) return false;
  return value.data.find('\0') == value.data.size() - 1;
}

void appendData(std::string* out, const ValueRef& value) {
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

void appendLine(std::string* out, const ValueRef& value) {
  if (value.name.empty()) {
    out->push_back('@');
  } else {
    appendQuoted(out, value.name);
  }
  out->push_back('=');
  appendData(out, value);
  out->push_back('\n');
}

bool isBlank(std::string_view line) {
  for (char c : line) {
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

// The list holds its bytes at 32-bit offsets.
constexpr size_t kMaxListBytes = UINT32_MAX;

// A large list fills the room made for it within milliseconds, and a fault
// per 4 KiB page would cost more than the parsing: ask for huge pages over
// the whole 2 MiB pages inside the room. Only advice; nothing changes where
// the system gives none.
void adviseHugePages(const void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHugePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

template <typename Container>
void makeRoom(Container* container, size_t count) {
  container->reserve(count);
  adviseHugePages(container->data(), container->capacity() * sizeof(*container->data()));
}

// Brings in the pages of a container's room from its end up to `count`
// elements in one call, where a fault a page would cost twice as much
// (without huge pages a 16 MiB file faulted in over 5,000 pages). What lies
// below the end is in already; nothing beyond the room is touched.
template <typename Container>
void prefault(const Container& container, size_t count) {
#ifdef MADV_POPULATE_WRITE
  constexpr uintptr_t kPage = 4096;
  const size_t element = sizeof(*container.data());
  const uintptr_t base = reinterpret_cast<uintptr_t>(container.data());
  const uintptr_t begin = (base + container.size() * element) & ~(kPage - 1);
  const uintptr_t end = (base + std::min(count, container.capacity()) * element) & ~(kPage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)container;
  (void)count;
#endif
}

// Sorts keys by their upper 32 bits (the name's hash), keeping keys of
// equal hash in their order: three counting passes of 11 bits, each in
// order through memory, where a comparison sort of a few hundred thousand
// keys cost several times as much.
void sortByHash(std::vector<uint64_t>* keys) {
  constexpr int kBits = 11;
  constexpr size_t kBuckets = size_t{1} << kBits;
  std::vector<uint64_t> other;
  makeRoom(&other, keys->size());
  prefault(other, keys->size());
  other.resize(keys->size());
  std::vector<size_t> start(kBuckets);
  for (int shift = 32; shift < 64; shift += kBits) {
    std::fill(start.begin(), start.end(), 0);
    for (uint64_t key : *keys) ++start[(key >> shift) & (kBuckets - 1)];
    size_t sum = 0;
    for (size_t& count : start) sum += std::exchange(count, sum);
    for (uint64_t key : *keys) other[start[(key >> shift) & (kBuckets - 1)]++] = key;
    keys->swap(other);
  }
}

}  // namespace

ValuesParser::ValuesParser(ValueList* values, size_t sizeHint) : values_(values) {
  *values_ = ValueList();
  // Decoding never lengthens a value, and the shortest named value line,
  // "a"="", takes 7 bytes with its line end: room for that much up front
  // spares copying as the list grows, and pages never written cost nothing.
  const size_t lines = sizeHint / 7 + 1;
  makeRoom(&values_->bytes_, std::min(sizeHint, kMaxListBytes));
  makeRoom(&values_->records_, lines);
  makeRoom(&values_->index_, lines);
}

bool ValuesParser::fail(uint32_t line, const char* reason) {
  error_ = "line " + std::to_string(line) + ": " + reason;
  return false;
}

bool ValuesParser::parse(std::string_view text, bool atEnd, size_t* used) {
  *used = 0;
  // What this piece can add at most (see the constructor), in ahead of use.
  prefault(values_->bytes_, values_->bytes_.size() + text.size());
  prefault(values_->records_, values_->records_.size() + text.size() / 7 + 1);
  prefault(values_->index_, values_->index_.size() + text.size() / 7 + 1);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      if (!atEnd) break;
      end = text.size();
    }
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    *used = std::min(start, text.size());
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Only a comment can hide a zero byte: quoted text refuses every
    // control character, and the other forms take only their own.
    const bool skipped =
        isBlank(line) || (line[0] == ';' && line.find('\0') == std::string_view::npos);
    if (skipped) skippedAt_.push_back(static_cast<uint32_t>(values_->size()));
    if (skipped || (line[0] != ';' && parseLine(line))) continue;
    // A name given twice on an earlier line is the first fault.
    if (!finish()) return false;
    return fail(lineNumber_, "not a registry value");
  }
  return true;
}

bool ValuesParser::parseLine(std::string_view line) {
  std::string& bytes = values_->bytes_;
  const size_t offset = bytes.size();
  size_t pos = 0;
  if (startsWith(line, "@=")) {
    pos = 1;
  } else if (!readQuoted(line, &pos, &bytes) || bytes.size() == offset) {
    bytes.resize(offset);
    return false;
  }
  const size_t nameLength = bytes.size() - offset;
  uint32_t type = 0;
  if (nameLength > kMaxValueNameLength || pos >= line.size() || line[pos] != '=' ||
      !readData(line.substr(pos + 1), &type, &bytes) || bytes.size() > kMaxListBytes) {
    bytes.resize(offset);
    return false;
  }
  const std::string_view name(bytes.data() + offset, nameLength);
  values_->index_.push_back(ValueList::keyOf(foldedHash(name), values_->records_.size()));
  values_->records_.push_back({static_cast<uint32_t>(offset), static_cast<uint32_t>(nameLength),
                               static_cast<uint32_t>(bytes.size() - offset - nameLength), type});
  return true;
}

bool ValuesParser::finish() {
  const size_t repeated = values_->sortIndex();
  if (repeated == values_->size()) return true;
  const size_t skippedBefore = static_cast<size_t>(
      std::upper_bound(skippedAt_.begin(), skippedAt_.end(), repeated) - skippedAt_.begin());
  return fail(static_cast<uint32_t>(repeated + skippedBefore + 1), "value named twice");
}

bool parseValues(std::string_view text, ValueList* values, std::string* error) {
  ValuesParser parser(values, text.size());
  size_t used = 0;
  bool ok = parser.parse(text, true, &used) && parser.finish();
  if (!ok) *error = parser.error();
  return ok;
}

std::vector<Value> copyValues(const ValueList& list) {
  std::vector<Value> values;
  values.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    const ValueRef value = list.at(i);
    values.push_back({std::string(value.name), value.type, std::string(value.data)});
  }
  return values;
}

bool parseValues(std::string_view text, std::vector<Value>* values, std::string* error) {
  ValueList list;
  values->clear();
  if (!parseValues(text, &list, error)) return false;
  *values = copyValues(list);
  return true;
}

std::string formatValues(const ValueList& values) {
  std::string out;
  for (size_t i = 0; i < values.size(); ++i) appendLine(&out, values.at(i));
  return out;
}

std::string formatValues(const std::vector<Value>& values) {
  std::string out;
  for (const Value& value : values) appendLine(&out, {value.name, value.type, value.data});
  return out;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

ValueRef ValueList::at(size_t i) const {
  const Record& record = records_[i];
  std::string_view bytes(bytes_);
  return {bytes.substr(record.offset, record.nameLength), record.type,
          bytes.substr(record.offset + record.nameLength, record.dataLength)};
}

size_t ValueList::lookup(std::string_view name, uint32_t hash) const {
  auto it = std::lower_bound(index_.begin(), index_.end(), keyOf(hash, 0));
  for (; it != index_.end() && (*it >> 32) == hash; ++it) {
    const size_t record = static_cast<uint32_t>(*it);
    if (sameName(at(record).name, name)) return record;
  }
  return size();
}

std::optional<ValueRef> ValueList::find(std::string_view name) const {
  const size_t record = lookup(name, foldedHash(name));
  if (record == size()) return std::nullopt;
  return at(record);
}

void ValueList::append(std::string_view name, uint32_t type, std::string_view data, uint32_t hash) {
  const uint64_t key = keyOf(hash, records_.size());
  records_.push_back({static_cast<uint32_t>(bytes_.size()), static_cast<uint32_t>(name.size()),
                      static_cast<uint32_t>(data.size()), type});
  bytes_.append(name).append(data);
  index_.insert(std::upper_bound(index_.begin(), index_.end(), key), key);
}

bool ValueList::add(std::string_view name, uint32_t type, std::string_view data) {
  const uint32_t hash = foldedHash(name);
  if (lookup(name, hash) != size()) return false;
  if (bytes_.size() + name.size() + data.size() > kMaxListBytes) return false;
  append(name, type, data, hash);
  return true;
}

bool ValueList::put(std::string_view name, uint32_t type, std::string_view data) {
  const uint32_t hash = foldedHash(name);
  const size_t found = lookup(name, hash);
  if (bytes_.size() + name.size() + data.size() > kMaxListBytes) return false;
  if (found == size()) {
    append(name, type, data, hash);
    return true;
  }
  // The old data stays behind unused: a list is rebuilt from its file at
  // the next read, and puts are few.
  Record& record = records_[found];
  const std::string nameCopy(at(found).name);
  record.offset = static_cast<uint32_t>(bytes_.size());
  record.dataLength = static_cast<uint32_t>(data.size());
  record.type = type;
  bytes_.append(nameCopy).append(data);
  return true;
}

size_t ValueList::sortIndex() {
  sortByHash(&index_);
  // Names of equal hash sit together; within such a run, sorting by folded
  // name puts a repeated name beside its first use, so even a file crafted
  // to make every hash collide costs n log n comparisons, not n squared.
  size_t repeated = size();
  std::vector<uint32_t> run;
  for (size_t begin = 0, end = 0; begin < index_.size(); begin = end) {
    for (end = begin + 1; end < index_.size() && (index_[end] >> 32) == (index_[begin] >> 32);)
      ++end;
    if (end - begin < 2) continue;
    run.clear();
    for (size_t i = begin; i < end; ++i) run.push_back(static_cast<uint32_t>(index_[i]));
    std::stable_sort(run.begin(), run.end(),
                     [this](uint32_t a, uint32_t b) { return foldedLess(at(a).name, at(b).name); });
    for (size_t i = 1; i < run.size(); ++i) {
      if (sameName(at(run[i - 1]).name, at(run[i]).name))
        repeated = std::min<size_t>(repeated, run[i]);
    }
  }
  return repeated;
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
