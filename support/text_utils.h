#ifndef TAVRO_SUPPORT_TEXT_UTILS_H_
#define TAVRO_SUPPORT_TEXT_UTILS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

/// Walks a text token by token. A backslash before the delimiter escapes it,
/// a run of delimiters counts as one and leading delimiters are skipped.
class StringTokenizer {
 public:
  StringTokenizer(const std::string& text, const std::string& delimiter);

  /// Moves to the next token; false once the text is exhausted.
  bool next();
  const std::string& token() const { return token_; }

 private:
  void skipDelimiters();
  size_t findUnescapedDelimiter(bool* escaped) const;
  void unescape();

  std::string token_;
  std::string text_;
  std::string delimiter_;
  char escape_ = '\\';
  bool merge_ = true;
  long position_ = 0;
  size_t lastDelimiter_ = std::string::npos;
};

/// The non-empty parts of `text` between occurrences of `delimiter` (which
/// must not be empty); the first empty part ends the list.
std::vector<std::string> splitString(const std::string& text, const std::string& delimiter);

/// The system's message for a Windows error code on one line without its
/// trailing blank, or the code in signed decimal when the system has none.
std::string formatWindowsError(uint32_t code);

}  // namespace velmora

#endif  // TAVRO_SUPPORT_TEXT_UTILS_H_
