#ifndef TAVRO_PLATFORM_HIVE_FILE_POSIX_H_
#define TAVRO_PLATFORM_HIVE_FILE_POSIX_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform::hive {

/// One registry value as the file-backed hive keeps it: the name as first
/// written, the type number and the raw data bytes.
struct Value {
  std::string name;
  uint32_t type = 0;
  std::string data;
};

/// Longest value name and key name the registry accepts.
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kMaxKeyNameLength = 255;

/// A key's values in the order they were first written, indexed by name
/// (without regard to ASCII case), so that a lookup or a store costs the
/// same however many values the key holds.
class ValueList {
 public:
  const std::vector<Value>& values() const { return values_; }
  /// The value of that name, or null.
  const Value* find(const std::string& name) const;
  /// Appends a value; false, and nothing added, when the name is taken.
  bool add(Value value);
  /// Replaces the value of that name (keeping the name as first written) or
  /// appends a new one.
  void put(const std::string& name, uint32_t type, const std::string& data);
  /// Makes room for `count` values in all.
  void reserve(size_t count);

 private:
  // Open addressing by folded name, at most half full; the table's size is
  // 0 or a power of two. A slot holds the position + 1 in values_ (0 when
  // free) and the name's hash, which spares most name comparisons.
  struct Slot {
    uint32_t entry;
    uint32_t hash;
  };

  size_t slotOf(const std::string& name, uint32_t hash) const;
  void grow();

  std::vector<Value> values_;
  std::vector<Slot> slots_;
};

/// Parses the text of a key's values file, one value per line in .reg value
/// syntax: `"name"=dword:0000000a`, `"name"="text"`, `"name"=hex:01,02`,
/// `"name"=hex(N):..` for any other type, `@` for the unnamed value. Blank
/// lines and lines starting with ';' are skipped; CR before LF is accepted.
/// False (with a reason naming the line in `error`) on anything else,
/// including control characters, bad escapes and names given twice. Linear
/// in the size of the text.
bool parseValues(const std::string& text, ValueList* values, std::string* error);
bool parseValues(const std::string& text, std::vector<Value>* values, std::string* error);

/// The file text for `values`; parseValues gives the same values back.
std::string formatValues(const std::vector<Value>& values);

/// Registry name comparison: ASCII letters without regard to case, every
/// other byte exactly.
bool sameName(const std::string& a, const std::string& b);

/// A key name as a directory name: '%', '/', control bytes and a leading '.'
/// become %HH, so no key can clash with the hive's own dot files.
std::string encodeKeyName(const std::string& name);

/// The reverse of encodeKeyName; false for a name it could not have made.
bool decodeKeyName(const std::string& encoded, std::string* name);

}  // namespace velmora::platform::hive

#endif  // TAVRO_PLATFORM_HIVE_FILE_POSIX_H_
