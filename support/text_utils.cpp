#include "support/text_utils.h"

#include <cstdio>

#include "platform/system_error.h"

namespace velmora {

namespace {

bool startsEscaped(const std::string& text, char escape, char delimiter) {
  return text.size() >= 3 && text[0] == escape && text[1] == delimiter;
}

bool endsEscaped(const std::string& text, char escape, char delimiter) {
  const size_t n = text.size();
  return n >= 3 && text[n - 2] == escape && text[n - 1] == delimiter;
}

}  // namespace

StringTokenizer::StringTokenizer(const std::string& text, const std::string& delimiter)
    : text_(text), delimiter_(delimiter) {
  // An escaped delimiter at either end of the whole text is dropped, so that
  // a quoted "\:" at the edge does not produce a part of its own.
  if (startsEscaped(text_, escape_, delimiter_[0])) text_.erase(0, 2);
  if (endsEscaped(text_, escape_, delimiter_[0])) text_.erase(text_.size() - 2);
  skipDelimiters();
}

void StringTokenizer::skipDelimiters() {
  while (position_ >= 0 && text_.compare(position_, delimiter_.size(), delimiter_) == 0) {
    position_ += static_cast<long>(delimiter_.size());
    if (!merge_) break;
  }
}

size_t StringTokenizer::findUnescapedDelimiter(bool* escaped) const {
  size_t i = text_.find(delimiter_, position_);
  while (i != std::string::npos && i > 0 && text_[i - 1] == escape_) {
    *escaped = true;
    i = text_.find(delimiter_, i + 1);
  }
  return i;
}

void StringTokenizer::unescape() {
  const std::string escapedDelimiter = escape_ + delimiter_;
  for (size_t i = token_.find(escapedDelimiter); i != std::string::npos;
       i = token_.find(escapedDelimiter, i + delimiter_.size())) {
    token_.replace(i, escapedDelimiter.size(), delimiter_);
  }
}

bool StringTokenizer::next() {
  if (position_ < 0) return false;
  bool escaped = false;
  const size_t found = findUnescapedDelimiter(&escaped);
  lastDelimiter_ = found;
  if (found == std::string::npos) {
    token_ = static_cast<size_t>(position_) < text_.size() ? text_.substr(position_) : "";
    position_ = -1;
  } else {
    token_ = text_.substr(position_, found - position_);
    position_ = static_cast<long>(found + delimiter_.size());
    skipDelimiters();
  }
  if (escaped) unescape();
  return true;
}

std::vector<std::string> splitString(const std::string& text, const std::string& delimiter) {
  std::vector<std::string> parts;
  if (delimiter.empty()) return parts;
  StringTokenizer tokenizer(text, delimiter);
  while (tokenizer.next() && !tokenizer.token().empty()) parts.push_back(tokenizer.token());
  return parts;
}

std::string formatWindowsError(uint32_t code) {
  std::string text;
  if (!platform::systemMessageText(code, false, 256, &text) || text.empty()) {
    char decimal[16];
    std::snprintf(decimal, sizeof decimal, "%d", static_cast<int32_t>(code));
    return decimal;
  }
  if (text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace velmora
