#include "components/ipinfo/request_queue.h"

namespace velmora::components {

RequestQueue::RequestQueue() {
  for (int i = 0; i < kCapacity; ++i) {
    handles_[i] = 0;
    bufferNumbers_[i] = -1;
  }
}

char* RequestQueue::buffer(int bufferNumber) {
  if (!buffers_) buffers_.reset(new char[kCapacity][kBufferSize]());
  return buffers_[bufferNumber];
}

int RequestQueue::freeBuffer() const {
  for (int number = 0; number < kCapacity; ++number) {
    bool used = false;
    for (int i = 0; i < count_ && !used; ++i) used = bufferNumbers_[i] == number;
    if (!used) return number;
  }
  return -1;
}

void RequestQueue::add(uintptr_t handle, int bufferNumber) {
  handles_[count_] = handle;
  bufferNumbers_[count_] = bufferNumber;
  ++count_;
}

int RequestQueue::find(uintptr_t handle) const {
  for (int i = 0; i < count_; ++i) {
    if (handles_[i] == handle) return i;
  }
  return -1;
}

void RequestQueue::remove(int position) {
  if (position < 0 || position >= count_) return;
  for (int i = position; i + 1 < count_; ++i) {
    handles_[i] = handles_[i + 1];
    bufferNumbers_[i] = bufferNumbers_[i + 1];
  }
  --count_;
  handles_[count_] = 0;
  bufferNumbers_[count_] = -1;
}

}  // namespace velmora::components
