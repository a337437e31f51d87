#include "components/ipinfo/request_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora::components {
namespace {

TEST(RequestQueue, RemovalShiftsLaterRequestsAndFreesTheirBuffer) {
  RequestQueue queue;
  for (uintptr_t handle = 1; handle <= 4; ++handle) {
    queue.add(handle, queue.freeBuffer());
  }
  queue.remove(queue.find(2));
  ASSERT_EQ(queue.count(), 3);
  EXPECT_EQ(queue.handleAt(1), 3u);
  EXPECT_EQ(queue.bufferNumberAt(1), 2);
  EXPECT_EQ(queue.bufferNumberAt(3), -1);
  EXPECT_EQ(queue.find(2), -1);
  // The lowest free number is the one the removed request held.
  EXPECT_EQ(queue.freeBuffer(), 1);
  queue.add(9, queue.freeBuffer());
  EXPECT_EQ(queue.bufferNumberAt(3), 1);
  EXPECT_EQ(queue.freeBuffer(), 4);
}

TEST(RequestQueue, FullAtNinetySixWithNoFreeBuffer) {
  RequestQueue queue;
  for (int i = 0; i < RequestQueue::kCapacity; ++i) {
    EXPECT_FALSE(queue.full());
    queue.add(static_cast<uintptr_t>(100 + i), queue.freeBuffer());
  }
  EXPECT_TRUE(queue.full());
  EXPECT_EQ(queue.freeBuffer(), -1);
  EXPECT_EQ(queue.find(100 + 95), 95);
}

TEST(RequestQueue, TruncateCancelsFromPositionInOrder) {
  RequestQueue queue;
  for (uintptr_t handle = 1; handle <= 5; ++handle) queue.add(handle, queue.freeBuffer());
  std::vector<uintptr_t> cancelled;
  queue.truncate(2, [&](uintptr_t handle) { cancelled.push_back(handle); });
  EXPECT_EQ(cancelled, (std::vector<uintptr_t>{3, 4, 5}));
  EXPECT_EQ(queue.count(), 2);
  EXPECT_EQ(queue.bufferNumberAt(2), -1);
  EXPECT_EQ(queue.freeBuffer(), 2);
  queue.truncate(5, [&](uintptr_t handle) { cancelled.push_back(handle); });
  EXPECT_EQ(queue.count(), 2);
  queue.truncate(0, [&](uintptr_t handle) { cancelled.push_back(handle); });
  EXPECT_EQ(queue.count(), 0);
  EXPECT_EQ(cancelled.size(), 5u);
}

TEST(RequestQueue, BuffersAreDistinctAndKeepTheirContent) {
  RequestQueue queue;
  queue.buffer(0)[0] = 'a';
  queue.buffer(95)[RequestQueue::kBufferSize - 1] = 'z';
  EXPECT_EQ(queue.buffer(1) - queue.buffer(0), RequestQueue::kBufferSize);
  EXPECT_EQ(queue.buffer(0)[0], 'a');
  EXPECT_EQ(queue.buffer(95)[RequestQueue::kBufferSize - 1], 'z');
}

}  // namespace
}  // namespace velmora::components
