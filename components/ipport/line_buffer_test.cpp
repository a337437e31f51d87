#include "components/ipport/line_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace velmora::components {
namespace {

void feed(LineBuffer& buffer, const std::string& bytes) {
  ASSERT_LE(static_cast<int>(bytes.size()), buffer.freeSpace());
  std::memcpy(buffer.writePointer(), bytes.data(), bytes.size());
  buffer.commit(static_cast<int>(bytes.size()));
}

std::vector<std::string> lines(LineBuffer& buffer) {
  std::vector<std::string> out;
  char* data = nullptr;
  int length = 0;
  while (buffer.nextLine(&data, &length)) out.emplace_back(data, static_cast<size_t>(length));
  return out;
}

std::string rest(LineBuffer& buffer) {
  char* data = nullptr;
  int length = 0;
  return buffer.takeRest(&data, &length) ? std::string(data, static_cast<size_t>(length)) : "";
}

TEST(LineBuffer, TerminatorSplitsAndKeepsTheUnfinishedLine) {
  LineBuffer buffer;
  buffer.setTerminator("\r\n");
  feed(buffer, "ab\r\ncd");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"ab"});
  feed(buffer, "e\r");  // half a terminator is no line end
  EXPECT_TRUE(lines(buffer).empty());
  feed(buffer, "\nf");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"cde"});
  EXPECT_EQ(rest(buffer), "f");
}

TEST(LineBuffer, CrLfModeJoinsPairsAcrossReads) {
  LineBuffer buffer;
  buffer.setCrLfMode(true);
  feed(buffer, "ab\r");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"ab"});
  feed(buffer, "\ncd\r\n");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"cd"});
  feed(buffer, "e\n\rf\rg\n\n");  // LF CR is one end; CR and LF alone end lines too
  EXPECT_EQ(lines(buffer), (std::vector<std::string>{"e", "f", "g", ""}));
}

TEST(LineBuffer, WithoutTerminatorEverythingIsOneLine) {
  LineBuffer buffer;
  feed(buffer, "a\r\nb");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"a\r\nb"});
  EXPECT_EQ(buffer.unreadCount(), 0);
}

TEST(LineBuffer, UnreadBytesMoveToTheFrontToMakeRoom) {
  LineBuffer buffer;
  buffer.setCapacity(8);
  buffer.setTerminator("|");
  feed(buffer, "abc|def");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"abc"});
  EXPECT_EQ(buffer.freeSpace(), 5);  // "def" now starts the storage
  feed(buffer, "gh|ij");
  EXPECT_EQ(lines(buffer), std::vector<std::string>{"defgh"});
  EXPECT_EQ(rest(buffer), "ij");
}

TEST(LineBuffer, CapacityIsLimited) {
  LineBuffer buffer;
  EXPECT_EQ(buffer.capacity(), 2048);
  buffer.setCapacity(100000);
  EXPECT_EQ(buffer.capacity(), 65536);
}

constexpr int kWouldBlock = 10035;

// A socket as a receive sees it: of the bytes that have arrived it returns
// as many as asked for; the end of the stream once all arrived were taken.
struct FakeSocket {
  std::string bytes;
  size_t arrived = 0;
  size_t taken = 0;
  int reads = 0;
  static int read(void* context, char* buffer, int length, int* received) {
    FakeSocket* s = static_cast<FakeSocket*>(context);
    ++s->reads;
    size_t n = std::min(static_cast<size_t>(length), s->arrived - s->taken);
    std::memcpy(buffer, s->bytes.data() + s->taken, n);
    s->taken += n;
    *received = static_cast<int>(n);
    return n == 0 && s->arrived < s->bytes.size() ? kWouldBlock : 0;
  }
};

// What a DataIn handler sees: each chunk with its line-end flag, and where it
// suspended receiving.
struct Reader {
  std::vector<std::string> events;
  std::vector<bool> suspendAfter;  // by event number
  bool ended = false;
  bool suspended = false;
  void deliver(char* data, int length, int eol) {
    events.push_back(std::string(data, static_cast<size_t>(length)) + (eol ? "|1" : "|0"));
    size_t n = events.size();
    suspended = n < suspendAfter.size() && suspendAfter[n];
  }
};

// The client's receive loop over one notification, with a receive either as
// it was (straight into the buffer) or through the large reads.
void receiveLoop(LineBuffer& buffer, FakeSocket& socket, bool readAhead, Reader& run) {
  char* data = nullptr;
  int length = 0;
  run.suspended = false;
  while (!run.ended) {
    while (!run.suspended && buffer.nextLine(&data, &length)) run.deliver(data, length, 1);
    if (run.suspended) return;
    if (buffer.freeSpace() == 0) {
      if (buffer.takeRest(&data, &length)) run.deliver(data, length, 0);
      continue;
    }
    int received = 0;
    int code = 0;
    if (readAhead) {
      char* at = nullptr;
      code = buffer.receive(&FakeSocket::read, &socket, true, kWouldBlock, &at, &received);
    } else {
      char* at = buffer.writePointer();
      code = FakeSocket::read(&socket, at, buffer.freeSpace(), &received);
    }
    if (code != 0) return;
    buffer.commit(received);
    if (received > 0) continue;
    while (buffer.nextLine(&data, &length)) run.deliver(data, length, 1);
    if (buffer.takeRest(&data, &length)) run.deliver(data, length, 0);
    run.ended = true;
  }
}

Reader receiveAll(const std::string& bytes, const std::vector<size_t>& arrivals,
                  const std::vector<bool>& suspendAfter, int capacity, int mode, bool readAhead,
                  int* reads) {
  LineBuffer buffer;
  buffer.setCapacity(capacity);
  buffer.setCrLfMode(mode == 1);
  buffer.setTerminator(mode == 2 ? "\r\n" : mode == 3 ? "|" : "");
  FakeSocket socket{bytes};
  Reader run;
  run.suspendAfter = suspendAfter;
  for (size_t arrival : arrivals) {
    socket.arrived = std::min(bytes.size(), socket.arrived + arrival);
    receiveLoop(buffer, socket, readAhead, run);
  }
  socket.arrived = bytes.size();
  for (int resumed = 0; !run.ended && resumed < 100000; ++resumed) {
    receiveLoop(buffer, socket, readAhead, run);
  }
  *reads = socket.reads;
  return run;
}

TEST(LineBuffer, LargeReadsGiveTheSameChunksAsOneReceivePerChunk) {
  std::mt19937 random(20261210);
  int readsBefore = 0, readsAfter = 0;
  for (int round = 0; round < 300; ++round) {
    const int capacities[] = {1, 2, 7, 100, 2048, 65536};
    const int capacity = round % 2 ? capacities[random() % 6] : 1 + random() % 5000;
    const int mode = static_cast<int>(random() % 4);
    // Lines of a few to a few thousand bytes; fewer bytes where every chunk
    // is tiny.
    const char ends[] = "|\r\n";
    const unsigned lineEvery = 1u << (2 + random() % 10);
    std::string bytes(random() % (capacity < 50 ? 5000 : 150000), 'a');
    for (char& c : bytes) c = random() % lineEvery == 0 ? ends[random() % 3] : 'a' + random() % 26;
    std::vector<size_t> arrivals(random() % 20);
    for (size_t& a : arrivals) a = random() % 3 == 0 ? 1 + random() % 100 : random() % 100000;
    std::vector<bool> suspendAfter(1000);
    for (size_t i = 0; i < suspendAfter.size(); ++i) suspendAfter[i] = random() % 7 == 0;
    int before = 0, after = 0;
    Reader direct = receiveAll(bytes, arrivals, suspendAfter, capacity, mode, false, &before);
    Reader ahead = receiveAll(bytes, arrivals, suspendAfter, capacity, mode, true, &after);
    ASSERT_TRUE(direct.ended && ahead.ended) << round;
    ASSERT_EQ(direct.events, ahead.events)
        << "round " << round << ", capacity " << capacity << ", mode " << mode;
    readsBefore += before;
    readsAfter += after;
  }
  EXPECT_LT(readsAfter * 4, readsBefore);
}

TEST(LineBuffer, AFailureBehindBytesReadAheadComesAfterThem) {
  struct Failing {
    int calls = 0;
    static int read(void* context, char* buffer, int length, int* received) {
      Failing* f = static_cast<Failing*>(context);
      *received = 0;
      if (f->calls++ > 0) return 10054;
      std::memset(buffer, 'q', static_cast<size_t>(std::min(length, 10)));
      *received = std::min(length, 10);
      return 0;
    }
  } socket;
  LineBuffer buffer;
  buffer.setCapacity(4);
  int received = 0;
  char* at = nullptr;
  for (int expected : {4, 4, 2}) {
    ASSERT_EQ(buffer.receive(&Failing::read, &socket, true, kWouldBlock, &at, &received), 0);
    EXPECT_EQ(received, expected);
    EXPECT_EQ(std::string(at, static_cast<size_t>(received)),
              std::string(static_cast<size_t>(received), 'q'));
    buffer.commit(received);
    char* data = nullptr;
    int length = 0;
    buffer.takeRest(&data, &length);
  }
  EXPECT_EQ(buffer.receive(&Failing::read, &socket, true, kWouldBlock, &at, &received), 10054);
  EXPECT_FALSE(buffer.holdsReadAhead());
}

}  // namespace
}  // namespace velmora::components
