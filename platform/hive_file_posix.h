#ifndef TAVRO_PLATFORM_HIVE_FILE_POSIX_H_
#define TAVRO_PLATFORM_HIVE_FILE_POSIX_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::platform::hive {

/// One registry value with its own storage: the name as first written, the
/// type number and the raw data bytes.
struct Value {
  std::string name;
  uint32_t type = 0;
  std::string data;
};

/// A value as a ValueList holds it; valid until the list changes.
struct ValueRef {
  std::string_view name;
  uint32_t type = 0;
  std::string_view data;
};

/// Longest value name and key name the registry accepts.
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kMaxKeyNameLength = 255;

/// A key's values in the order they were first written, indexed by name
/// (without regard to ASCII case). Every name and data byte lives in one
/// buffer and the index is a sorted array of name hashes, so a list of a few
/// hundred thousand values costs a few bytes over its text, and building it
/// touches memory in order.
class ValueList {
 public:
  size_t size() const { return records_.size(); }
  ValueRef at(size_t i) const;
  /// The value of that name, if any.
  std::optional<ValueRef> find(std::string_view name) const;
  /// Appends a value; false, and nothing added, when the name is taken (or
  /// the list is full, as for put).
  bool add(std::string_view name, uint32_t type, std::string_view data);
  /// Replaces the value of that name (keeping the name as first written) or
  /// appends a new one; false, and nothing changed, when the list cannot
  /// hold 4 GiB more.
  bool put(std::string_view name, uint32_t type, std::string_view data);

 private:
  friend class ValuesParser;
  struct Record {
    uint32_t offset;  // of the name in bytes_; the data follows it
    uint32_t nameLength;
    uint32_t dataLength;
    uint32_t type;
  };

  // Keys are the name's hash above the record's position, so a sort puts
  // names of equal hash together in the order they were written.
  static uint64_t keyOf(uint32_t hash, size_t record) { return (uint64_t{hash} << 32) | record; }
  size_t lookup(std::string_view name, uint32_t hash) const;
  void append(std::string_view name, uint32_t type, std::string_view data, uint32_t hash);
  // Sorts the index after a parser appended records and their keys
  // unsorted; the position of the first record (in writing order) whose
  // name an earlier one has, or size() when every name is distinct.
  size_t sortIndex();

  std::string bytes_;
  std::vector<Record> records_;
  std::vector<uint64_t> index_;
};

/// Parses the text of a key's values file, one value per line in .reg value
/// syntax: `"name"=dword:0000000a`, `"name"="text"`, `"name"=hex:01,02`,
/// `"name"=hex(N):..` for any other type, `@` for the unnamed value. Blank
/// lines and lines starting with ';' are skipped; CR before LF is accepted.
/// Anything else fails the whole file, with a reason naming the first bad
/// line: a zero byte or other control character, a bad escape, a name given
/// twice. The text may come in pieces of any size, as it is read; the cost
/// is linear in its length.
class ValuesParser {
 public:
  /// `sizeHint`: the length of the whole text if known, to make room once.
  ValuesParser(ValueList* values, size_t sizeHint);
  /// Parses the whole lines at the start of `text`, or all of it when
  /// `atEnd`, and sets `*used` to the bytes they took: the rest is an
  /// unfinished line, to come again at the start of the next piece.
  bool parse(std::string_view text, bool atEnd, size_t* used);
  /// After the last piece; false when a name was given twice.
  bool finish();
  /// Why parse or finish failed.
  const std::string& error() const { return error_; }

 private:
  bool parseLine(std::string_view line);
  bool fail(uint32_t line, const char* reason);

  ValueList* values_;
  uint32_t lineNumber_ = 0;
  // For each blank or comment line, how many values came before it: with
  // it, a value's position gives its line, to name a repeated one.
  std::vector<uint32_t> skippedAt_;
  std::string error_;
};

/// The values of `list`, in order, each with storage of its own.
std::vector<Value> copyValues(const ValueList& list);

bool parseValues(std::string_view text, ValueList* values, std::string* error);
bool parseValues(std::string_view text, std::vector<Value>* values, std::string* error);

/// The file text for `values`; parseValues gives the same values back.
std::string formatValues(const ValueList& values);
std::string formatValues(const std::vector<Value>& values);

/// Registry name comparison: ASCII letters without regard to case, every
/// other byte exactly.
bool sameName(std::string_view a, std::string_view b);

/// A key name as a directory name: '%', '/', control bytes and a leading '.'
/// become %HH, so no key can clash with the hive's own dot files.
std::string encodeKeyName(const std::string& name);

/// The reverse of encodeKeyName; false for a name it could not have made.
bool decodeKeyName(const std::string& encoded, std::string* name);

}  // namespace velmora::platform::hive

#endif  // TAVRO_PLATFORM_HIVE_FILE_POSIX_H_
