#include "components/ipport/line_buffer.h"

#include <algorithm>
#include <cstring>

namespace velmora::components {

LineBuffer::LineBuffer() { setCapacity(kDefaultCapacity); }

void LineBuffer::setCapacity(int capacity) {
  capacity_ = std::min(std::max(capacity, 1), kMaxCapacity);
  // Room for a whole line and a whole read behind it, and the byte for the
  // NUL after a chunk.
  storage_.assign(static_cast<size_t>(capacity_) + kReadAhead + 1, '\0');
  clear();
}

void LineBuffer::clear() {
  start_ = 0;
  count_ = 0;
  pending_ = 0;
  deferredCode_ = 0;
  endSeen_ = false;
  expectedPartner_ = 0;
}

char* LineBuffer::writePointer() {
  if (pending_ == 0) makeRoom(freeSpace());
  return storage_.data() + start_ + count_;
}

// Moves the unread and read-ahead bytes to the front when fewer than
// `wanted` bytes are left behind them. They are fewer than a line and a
// piece then, and it happens at most once per read, never per chunk.
void LineBuffer::makeRoom(int wanted) {
  const int used = start_ + count_ + pending_;
  const int room = static_cast<int>(storage_.size()) - 1 - used;
  if (room >= wanted || start_ == 0) return;
  std::memmove(storage_.data(), storage_.data() + start_, static_cast<size_t>(count_ + pending_));
  start_ = 0;
}

int LineBuffer::readMore(ReadFunction read, void* context, int wanted, int* got) {
  makeRoom(wanted);
  const int used = start_ + count_ + pending_;
  const int room = static_cast<int>(storage_.size()) - 1 - used;
  *got = 0;
  const int code = read(context, storage_.data() + used, std::min(wanted, room), got);
  if (code == 0) pending_ += *got;
  return code;
}

int LineBuffer::receive(ReadFunction read, void* context, bool readAhead, int wouldBlock,
                        char** data, int* received) {
  *received = 0;
  const int wanted = freeSpace();
  // Only what the socket holds beyond the bytes read ahead can make this
  // chunk longer than they are, as a direct receive would have found it.
  if (pending_ < wanted && deferredCode_ == 0 && !endSeen_) {
    int got = 0;
    const int code = readMore(read, context, readAhead ? kReadAhead : wanted - pending_, &got);
    if (pending_ == 0) return code;
    if (code != 0 && code != wouldBlock) deferredCode_ = code;
    if (code == 0 && got == 0) endSeen_ = true;
  }
  if (pending_ == 0) {
    const int code = deferredCode_;
    deferredCode_ = 0;
    return code;
  }
  *data = storage_.data() + start_ + count_;
  *received = std::min(wanted, pending_);
  pending_ -= *received;
  return 0;
}

bool LineBuffer::nextLine(char** data, int* length) {
  if (crLfMode_) return nextCrLfLine(data, length);
  if (terminator_.empty()) return takeRest(data, length);
  return nextTerminatedLine(data, length);
}

bool LineBuffer::takeRest(char** data, int* length) {
  if (count_ == 0) return false;
  return take(count_, count_, data, length);
}

bool LineBuffer::nextCrLfLine(char** data, int* length) {
  char* unread = storage_.data() + start_;
  if (count_ > 0 && expectedPartner_ != 0) {
    if (unread[0] == expectedPartner_) {
      ++start_;
      --count_;
      ++unread;
    }
    expectedPartner_ = 0;
  }
  int i = 0;
  while (i < count_ && unread[i] != '\r' && unread[i] != '\n') ++i;
  if (i == count_) return false;
  char partner = unread[i] == '\r' ? '\n' : '\r';
  if (i + 1 < count_) {
    int consumed = unread[i + 1] == partner ? i + 2 : i + 1;
    return take(i, consumed, data, length);
  }
  // The terminator's second byte may still be on its way.
  expectedPartner_ = partner;
  return take(i, i + 1, data, length);
}

bool LineBuffer::nextTerminatedLine(char** data, int* length) {
  char* unread = storage_.data() + start_;
  char* end = unread + count_;
  char* found = std::search(unread, end, terminator_.begin(), terminator_.end());
  if (found == end) return false;
  int lineLength = static_cast<int>(found - unread);
  return take(lineLength, lineLength + static_cast<int>(terminator_.size()), data, length);
}

bool LineBuffer::take(int lineLength, int consumed, char** data, int* length) {
  *data = storage_.data() + start_;
  *length = lineLength;
  start_ += consumed;
  count_ -= consumed;
  if (count_ == 0 && pending_ == 0) start_ = 0;
  return true;
}

}  // namespace velmora::components
