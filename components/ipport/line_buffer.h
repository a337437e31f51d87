#ifndef TAVRO_COMPONENTS_IPPORT_LINE_BUFFER_H_
#define TAVRO_COMPONENTS_IPPORT_LINE_BUFFER_H_

#include <string>
#include <vector>

namespace velmora::components {

/// The receive storage of a TCP client: a fixed capacity of unread bytes
/// (MaxLineLength), split into lines by a terminator. In CR/LF mode a line
/// ends at CR, LF, CR LF or LF CR, also when the pair is split between two
/// reads. One byte beyond the capacity is kept so that a chunk handed out can
/// be followed by a NUL for the duration of an event.
class LineBuffer {
 public:
  static constexpr int kDefaultCapacity = 2048;
  static constexpr int kMaxCapacity = 65536;

  LineBuffer();

  /// Values above kMaxCapacity are cut to it; empties the buffer.
  void setCapacity(int capacity);
  int capacity() const { return static_cast<int>(storage_.size()) - 1; }

  void setTerminator(std::string terminator) { terminator_ = std::move(terminator); }
  const std::string& terminator() const { return terminator_; }
  void setCrLfMode(bool on) { crLfMode_ = on; }
  bool crLfMode() const { return crLfMode_; }

  /// Drops every unread byte and a pending pair expectation.
  void clear();
  int unreadCount() const { return count_; }
  int freeSpace() const { return capacity() - start_ - count_; }
  /// Where the next received bytes go: freeSpace() bytes behind the unread ones.
  char* writePointer() { return storage_.data() + start_ + count_; }
  /// Accounts for `n` bytes written at writePointer().
  void commit(int n) { count_ += n; }

  /// The next complete line (without its terminator), consumed; false when
  /// there is none. With an empty terminator (and CR/LF mode off) every
  /// unread byte counts as one line.
  bool nextLine(char** data, int* length);
  /// Every unread byte, consumed (no line end seen).
  bool takeRest(char** data, int* length);

 private:
  bool nextCrLfLine(char** data, int* length);
  bool nextTerminatedLine(char** data, int* length);
  bool take(int lineLength, int consumed, char** data, int* length);
  void compact();

  std::vector<char> storage_;
  int start_ = 0;
  int count_ = 0;
  std::string terminator_;
  bool crLfMode_ = false;
  char expectedPartner_ = 0;
};

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_IPPORT_LINE_BUFFER_H_
