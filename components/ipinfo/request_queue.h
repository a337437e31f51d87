#ifndef TAVRO_COMPONENTS_IPINFO_REQUEST_QUEUE_H_
#define TAVRO_COMPONENTS_IPINFO_REQUEST_QUEUE_H_

#include <cstdint>
#include <memory>

namespace velmora::components {

/// The outstanding asynchronous lookups of one IPInfo instance: up to 96
/// request handles in the order they were started, each with the number of
/// the 1024-byte result buffer it owns (-1 marks a free position).
class RequestQueue {
 public:
  static constexpr int kCapacity = 96;
  static constexpr int kBufferSize = 1024;

  RequestQueue();

  int count() const { return count_; }
  bool full() const { return count_ >= kCapacity; }
  uintptr_t handleAt(int position) const { return handles_[position]; }
  int bufferNumberAt(int position) const { return bufferNumbers_[position]; }

  /// The lowest buffer number no position refers to; -1 when all are taken.
  int freeBuffer() const;
  /// Appends a request at position count(); the caller checked full().
  void add(uintptr_t handle, int bufferNumber);
  /// The position of `handle` among the outstanding requests, or -1.
  int find(uintptr_t handle) const;
  /// Moves the later positions down by one.
  void remove(int position);
  /// Forgets positions n to count()-1, calling `cancel(handle)` for each;
  /// their buffers are free afterwards.
  template <typename Cancel>
  void truncate(int n, Cancel cancel) {
    for (int i = n; i < count_; ++i) {
      cancel(handles_[i]);
      handles_[i] = 0;
      bufferNumbers_[i] = -1;
    }
    if (n < count_) count_ = n < 0 ? 0 : n;
  }

  /// The result buffers are one block, made at the first use: most
  /// instances never look anything up asynchronously.
  char* buffer(int bufferNumber);

 private:
  int count_ = 0;
  uintptr_t handles_[kCapacity];
  int bufferNumbers_[kCapacity];
  std::unique_ptr<char[][kBufferSize]> buffers_;
};

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_IPINFO_REQUEST_QUEUE_H_
