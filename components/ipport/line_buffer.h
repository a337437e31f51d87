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
///
/// receive() reads the socket in large pieces into the storage behind the
/// unread bytes and hands them on as a receive of at most freeSpace() bytes
/// would have returned them, so the bytes stay where they were read and the
/// caller sees the same chunks as with one small receive per chunk.
class LineBuffer {
 public:
  static constexpr int kDefaultCapacity = 2048;
  static constexpr int kMaxCapacity = 65536;
  /// The most one socket read asks for.
  static constexpr int kReadAhead = 65536;

  /// A receive call: fills up to `length` bytes at `buffer`, the count
  /// through `received` (0 at the end of the stream); 0 or an error code.
  using ReadFunction = int (*)(void* context, char* buffer, int length, int* received);

  LineBuffer();

  /// Values above kMaxCapacity are cut to it; empties the buffer.
  void setCapacity(int capacity);
  int capacity() const { return capacity_; }

  void setTerminator(std::string terminator) { terminator_ = std::move(terminator); }
  const std::string& terminator() const { return terminator_; }
  void setCrLfMode(bool on) { crLfMode_ = on; }
  bool crLfMode() const { return crLfMode_; }

  /// Drops every unread byte and a pending pair expectation.
  void clear();
  int unreadCount() const { return count_; }
  int freeSpace() const { return capacity_ - count_; }
  /// Where the next received bytes go: freeSpace() bytes behind the unread
  /// ones (bytes read ahead, if any, lie there already).
  char* writePointer();
  /// Accounts for `n` bytes written at writePointer().
  void commit(int n) { count_ += n; }

  /// As one `read` of freeSpace() bytes into writePointer() (the same code,
  /// count and bytes), but with `readAhead` the socket is read for up to
  /// kReadAhead bytes and the rest kept for the next calls. A failure other
  /// than `wouldBlock` that comes behind bytes read ahead is reported once
  /// they are taken. The bytes are then at `*data` (where writePointer()
  /// pointed before), not committed.
  int receive(ReadFunction read, void* context, bool readAhead, int wouldBlock, char** data,
              int* received);
  /// Bytes read ahead (or a failure behind them) wait for the next receive.
  bool holdsReadAhead() const { return pending_ > 0 || deferredCode_ != 0; }

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
  int readMore(ReadFunction read, void* context, int wanted, int* got);
  void makeRoom(int wanted);

  std::vector<char> storage_;
  int capacity_ = 0;
  int start_ = 0;
  int count_ = 0;
  int pending_ = 0;  // read ahead, behind the unread bytes
  int deferredCode_ = 0;
  bool endSeen_ = false;
  std::string terminator_;
  bool crLfMode_ = false;
  char expectedPartner_ = 0;
};

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_IPPORT_LINE_BUFFER_H_
