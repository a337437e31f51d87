#include "platform/async_lookup.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace velmora::platform {
namespace {

// The entry readers must not follow a pointer out of the buffer, whatever
// the buffer holds.
TEST(LookupEntry, ReadersRejectPointersOutsideTheBuffer) {
  alignas(16) char buffer[kLookupBufferSize] = {};
  HostEntry host;
  ServiceEntry service;
  EXPECT_FALSE(readHostEntry(buffer, kLookupBufferSize, &host));
  EXPECT_FALSE(readServiceEntry(buffer, kLookupBufferSize, &service));
  const uintptr_t outside = reinterpret_cast<uintptr_t>(buffer) + kLookupBufferSize + 64;
  for (size_t at = 0; at + sizeof outside <= 64; at += sizeof outside) {
    std::memcpy(buffer + at, &outside, sizeof outside);
  }
  EXPECT_FALSE(readHostEntry(buffer, kLookupBufferSize, &host));
  EXPECT_FALSE(readServiceEntry(buffer, kLookupBufferSize, &service));
  EXPECT_FALSE(readHostEntry(buffer, 4, &host));
}

TEST(LookupEntry, UnknownHandlesAreNeitherCancelledNorTaken) {
  char buffer[kLookupBufferSize] = {'x'};
  EXPECT_FALSE(takeLookupResult(0x7FFFFFF0u, buffer));
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_NE(cancelLookup(0x7FFFFFF0u), 0);
}

}  // namespace
}  // namespace velmora::platform
