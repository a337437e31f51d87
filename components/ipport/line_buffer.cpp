#include "components/ipport/line_buffer.h"

#include <algorithm>
#include <cstring>

namespace velmora::components {

LineBuffer::LineBuffer() { setCapacity(kDefaultCapacity); }

void LineBuffer::setCapacity(int capacity) {
  capacity = std::min(std::max(capacity, 1), kMaxCapacity);
  storage_.assign(static_cast<size_t>(capacity) + 1, '\0');
  clear();
}

void LineBuffer::clear() {
  start_ = 0;
  count_ = 0;
  expectedPartner_ = 0;
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
  if (i == count_) {
    compact();
    return false;
  }
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
  if (found == end) {
    compact();
    return false;
  }
  int lineLength = static_cast<int>(found - unread);
  return take(lineLength, lineLength + static_cast<int>(terminator_.size()), data, length);
}

bool LineBuffer::take(int lineLength, int consumed, char** data, int* length) {
  *data = storage_.data() + start_;
  *length = lineLength;
  start_ += consumed;
  count_ -= consumed;
  if (count_ == 0) start_ = 0;
  return true;
}

void LineBuffer::compact() {
  if (start_ == 0) return;
  std::memmove(storage_.data(), storage_.data() + start_, static_cast<size_t>(count_));
  start_ = 0;
}

}  // namespace velmora::components
