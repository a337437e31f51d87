#include "components/frame/flat_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "components/frame/component_test_support.h"
#include "velmora_components.h"

namespace velmora::components {
namespace {

using namespace velmora::components::testing;

struct Call {
  int id;
  int count;
  std::vector<intptr_t> words;
  std::vector<std::string> narrow;
  std::vector<std::u16string> wide;
  std::vector<int> lengths;
};

// Records every event; answers -10000 to the ids in `wantWide`.
struct Recorder {
  std::vector<Call> calls;
  std::vector<int> wantWide;
  void* handle = nullptr;
  bool interruptOnEvent = false;

  static int VELMORA_CALL callback(void* context, int id, int count, void* params[],
                                   int lengths[]) {
    auto* self = static_cast<Recorder*>(context);
    Call call{id, count, {}, {}, {}, {}};
    for (int i = 0; i < count; ++i) {
      call.words.push_back(reinterpret_cast<intptr_t>(params[i]));
      call.lengths.push_back(lengths[i]);
      // Parameters 1 and 2 of the test event are text and bytes; they live
      // only during the call.
      if (count < 3 || i == 0) continue;
      if (id > 10000) {
        auto* w = static_cast<const char16_t*>(params[i]);
        call.wide.push_back(i == 2 ? std::u16string(w, static_cast<size_t>(lengths[i])) : w);
      } else {
        auto* n = static_cast<const char*>(params[i]);
        call.narrow.push_back(i == 2 ? std::string(n, static_cast<size_t>(lengths[i])) : n);
      }
    }
    self->calls.push_back(call);
    if (self->interruptOnEvent) flatDo(self->handle, kInterrupt, 0, nullptr, nullptr);
    for (int wide : self->wantWide) {
      if (wide == id) return -10000;
    }
    return id * 100;
  }
};

class FlatApi : public ::testing::Test {
 protected:
  void SetUp() override {
    flatStaticInit(ComponentKind::kIPPort, nullptr);
    handle_ = flatCreateWith(&createTestComponent, &Recorder::callback, &recorder_);
    recorder_.handle = handle_;
    ASSERT_NE(handle_, nullptr);
  }
  void TearDown() override {
    flatDestroy(handle_);
    flatStaticDestroy(ComponentKind::kIPPort);
  }
  std::string config(const char* text) {
    void* params[2] = {const_cast<char*>(text), nullptr};
    int lengths[2] = {0, 0};
    lastCode_ = flatDo(handle_, kConfig, 2, params, lengths);
    return params[1] ? static_cast<const char*>(params[1]) : "<null>";
  }

  void* handle_ = nullptr;
  Recorder recorder_;
  int lastCode_ = 0;
};

TEST(FlatNullHandle, EveryFunctionAnswersWithoutTouchingMemory) {
  for (auto kind : {0, 1}) {
    auto get = kind == 0 ? &IPPort_Get : &IPInfo_Get;
    auto set = kind == 0 ? &IPPort_Set : &IPInfo_Set;
    auto doIt = kind == 0 ? &IPPort_Do : &IPInfo_Do;
    int length = 5;
    EXPECT_EQ(get(nullptr, 0, 0, &length), nullptr);
    EXPECT_EQ(set(nullptr, 19, 0, reinterpret_cast<void*>(5), 0), 200);
    EXPECT_EQ(doIt(nullptr, 5, 0, nullptr, nullptr), 200);
    EXPECT_EQ((kind == 0 ? &IPPort_GetLastErrorCode : &IPInfo_GetLastErrorCode)(nullptr), 200);
    EXPECT_EQ((kind == 0 ? &IPPort_GetLastError : &IPInfo_GetLastError)(nullptr), nullptr);
    EXPECT_EQ((kind == 0 ? &IPPort_CheckIndex : &IPInfo_CheckIndex)(nullptr, 0, 0), 200);
    EXPECT_EQ((kind == 0 ? &IPPort_Destroy : &IPInfo_Destroy)(nullptr), 0);
  }
}

TEST_F(FlatApi, UnknownAndReadOnlyIdsLeaveTheResultAlone) {
  EXPECT_EQ(flatSet(handle_, kNumber, 0, reinterpret_cast<void*>(-1), 0), 10022);
  EXPECT_EQ(flatSet(handle_, kReadOnly, 0, reinterpret_cast<void*>(1), 0), -1);
  EXPECT_EQ(flatSet(handle_, 77, 0, reinterpret_cast<void*>(1), 0), -1);
  EXPECT_EQ(flatSet(handle_, 2010, 0, reinterpret_cast<void*>(1), 0), -1);
  EXPECT_EQ(flatGetLastErrorCode(handle_), 10022);
  EXPECT_STREQ(flatGetLastError(handle_), "[10022] Invalid argument");
  EXPECT_EQ(flatGet(handle_, 77, 0, nullptr), nullptr);
  EXPECT_EQ(flatGet(handle_, kSendOnly, 0, nullptr), nullptr);
  EXPECT_EQ(flatDo(handle_, 99, 0, nullptr, nullptr), 0);
  EXPECT_EQ(flatCheckIndex(handle_, kNumber, 3), 0);
}

TEST_F(FlatApi, IntegerTextAndBytesRoundTrip) {
  EXPECT_EQ(flatSet(handle_, kNumber, 0, reinterpret_cast<void*>(12), 0), 0);
  EXPECT_EQ(reinterpret_cast<intptr_t>(flatGet(handle_, kNumber, 0, nullptr)), 12);
  EXPECT_EQ(flatSet(handle_, kName, 0, "host", 0), 0);
  EXPECT_STREQ(static_cast<const char*>(flatGet(handle_, kName, 0, nullptr)), "host");
  EXPECT_EQ(flatSet(handle_, kName, 0, nullptr, 0), 0);
  EXPECT_STREQ(static_cast<const char*>(flatGet(handle_, kName, 0, nullptr)), "");
  EXPECT_EQ(flatSet(handle_, kData, 0, "a\0b", 3), 0);
  int length = 0;
  const char* data = static_cast<const char*>(flatGet(handle_, kData, 0, &length));
  EXPECT_EQ(std::string(data, static_cast<size_t>(length)), std::string("a\0b", 3));
  EXPECT_EQ(flatSet(handle_, kData, 0, nullptr, 10), 0);  // no pointer: empty, not a crash
  EXPECT_EQ(testObject(handle_)->data, "");
}

TEST_F(FlatApi, WideIdsConvertWithTheCodePage) {
  config("CodePage=65001");
  ASSERT_EQ(lastCode_, 0);
  EXPECT_EQ(flatSet(handle_, 10000 + kName, 0, u"caf\u00e9", 0), 0);
  EXPECT_EQ(testObject(handle_)->name, "caf\xC3\xA9");
  auto* wide = static_cast<const char16_t*>(flatGet(handle_, 10000 + kName, 0, nullptr));
  EXPECT_EQ(std::u16string(wide), u"caf\u00e9");
  auto* raw = static_cast<const char16_t*>(flatGet(handle_, 20000 + kName, 0, nullptr));
  EXPECT_EQ(std::u16string(raw), u"caf\u00e9");
  EXPECT_EQ(flatSet(handle_, 20000 + kName, 0, "plain", 0), 0);
  EXPECT_EQ(testObject(handle_)->name, "plain");
  int length = 0;
  EXPECT_EQ(flatSet(handle_, 10000 + kData, 0, u"\u00e9\u00e9x", 2), 0);
  EXPECT_EQ(testObject(handle_)->data, "\xC3\xA9\xC3\xA9");
  flatGet(handle_, 10000 + kData, 0, &length);
  EXPECT_EQ(length, 2);
  // Integer properties pass unchanged under a wide id.
  EXPECT_EQ(flatSet(handle_, 10000 + kNumber, 0, reinterpret_cast<void*>(9), 0), 0);
  EXPECT_EQ(testObject(handle_)->number, 9);
  EXPECT_EQ(reinterpret_cast<intptr_t>(flatGet(handle_, 10000 + 2010, 0, nullptr)), 65001);
}

TEST_F(FlatApi, UnknownCodePageFailsWith434) {
  config("CodePage=12345");
  EXPECT_EQ(flatSet(handle_, 10000 + kName, 0, u"x", 0), 434);
  EXPECT_STREQ(flatGetLastError(handle_), "[434] (no description available)");
}

TEST_F(FlatApi, WideMethodsConvertTextsBothWaysAndWriteBackByteCounts) {
  config("codepage=65001");
  void* params[2] = {const_cast<char16_t*>(u"\u00fcber"), nullptr};
  int lengths[2] = {0, 0};
  EXPECT_EQ(flatDo(handle_, 10000 + kEcho, 2, params, lengths), 0);
  EXPECT_EQ(testObject(handle_)->name,
            "\xC3\xBC"
            "ber");
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(params[1])), u"\u00fcber");
  void* send[1] = {const_cast<char16_t*>(u"\u00fc\u00fc")};
  int sendLength[1] = {2};
  EXPECT_EQ(flatDo(handle_, 10000 + kSendData, 1, send, sendLength), 0);
  EXPECT_EQ(sendLength[0], 4);
  EXPECT_EQ(flatDo(handle_, 20000 + kEcho, 2, params, lengths), 0);  // no raw Do
}

TEST_F(FlatApi, MissingParametersReadAsEmpty) {
  EXPECT_EQ(flatDo(handle_, kEcho, 0, nullptr, nullptr), 0);
  EXPECT_EQ(testObject(handle_)->name, "");
  EXPECT_EQ(flatDo(handle_, kSendData, 1, nullptr, nullptr), 0);
}

TEST_F(FlatApi, FailedCallsGetTheStandardTextUnlessOneIsSet) {
  int64_t code = 301;
  void* params[1] = {reinterpret_cast<void*>(code)};
  EXPECT_EQ(flatDo(handle_, kFail, 1, params, nullptr), 301);
  EXPECT_STREQ(flatGetLastError(handle_), "Interrupted.");
  testObject(handle_)->setMessageText("");
  params[0] = reinterpret_cast<void*>(int64_t{10061});
  EXPECT_EQ(flatDo(handle_, kFail, 1, params, nullptr), 10061);
  EXPECT_STREQ(flatGetLastError(handle_), "[10061] Connection refused");
  params[0] = reinterpret_cast<void*>(int64_t{12345});
  EXPECT_EQ(flatDo(handle_, kFail, 1, params, nullptr), 12345);
  EXPECT_STREQ(flatGetLastError(handle_), "[10061] Connection refused");  // text stays
  EXPECT_EQ(flatGetLastErrorCode(handle_), 12345);
}

TEST_F(FlatApi, ExceptionsBecomeOutOfMemory) {
  EXPECT_EQ(flatDo(handle_, kThrow, 0, nullptr, nullptr), 200);
  EXPECT_STREQ(flatGetLastError(handle_), "Out of memory.");
}

TEST_F(FlatApi, ConfigSetsQueriesAndRejectsUnknownKeys) {
  EXPECT_EQ(config("codepage=65001"), "");
  EXPECT_EQ(config("CodePage"), "65001");
  EXPECT_STREQ(flatGetLastError(handle_), "65001");
  EXPECT_EQ(config("SelectWaitMillis=0x10"), "");
  EXPECT_EQ(config("selectwaitmillis"), "16");
  config("AbsoluteTimeout=yes");
  EXPECT_EQ(config("AbsoluteTimeout"), "True");
  config("AbsoluteTimeout=on");
  EXPECT_EQ(config("AbsoluteTimeout"), "False");
  EXPECT_EQ(config("UseSystemSSPI"), "True");
  config("QOSTrafficType=voice");
  EXPECT_EQ(config("QOSTrafficType"), "4");
  config("KerberosSPN = \"HTTP/proxy\" ");
  EXPECT_EQ(config("KerberosSPN"), "HTTP/proxy");
  EXPECT_EQ(config("NoSuchKey=1"), "");
  EXPECT_EQ(lastCode_, -1);
  EXPECT_STREQ(flatGetLastError(handle_), "Unknown config setting.");
  EXPECT_EQ(flatGetLastErrorCode(handle_), -1);
}

TEST_F(FlatApi, QueryOnlyKeysIgnoreASet) {
  EXPECT_EQ(config("WinsockStatus=5"), "");
  EXPECT_EQ(lastCode_, 0);
  EXPECT_EQ(config("WinsockStatus"), "0");
  EXPECT_EQ(config("WinsockVersion"), "2.2");
}

TEST_F(FlatApi, TimeoutInSecondsOrMilliseconds) {
  flatSet(handle_, kTimeout, 0, reinterpret_cast<void*>(5), 0);
  EXPECT_EQ(reinterpret_cast<intptr_t>(flatGet(handle_, kTimeout, 0, nullptr)), 5);
  EXPECT_EQ(testObject(handle_)->timeoutMillis(), 5000);
  config("TimeoutInMilliseconds=True");
  EXPECT_EQ(reinterpret_cast<intptr_t>(flatGet(handle_, kTimeout, 0, nullptr)), 5000);
  flatSet(handle_, kTimeout, 0, reinterpret_cast<void*>(250), 0);
  EXPECT_EQ(testObject(handle_)->timeoutMillis(), 250);
  config("TimeoutInMilliseconds=False");
  flatSet(handle_, kTimeout, 0, reinterpret_cast<void*>(int64_t{5000000}), 0);
  EXPECT_GT(testObject(handle_)->timeoutMillis(), 0);  // clamped, not wrapped
}

TEST_F(FlatApi, EventsReachTheCallbackWithTheirLengths) {
  void* params[1] = {reinterpret_cast<void*>(int64_t{3})};
  EXPECT_EQ(flatDo(handle_, kRaise, 1, params, nullptr), 0);
  ASSERT_EQ(recorder_.calls.size(), 1u);
  const Call& call = recorder_.calls[0];
  EXPECT_EQ(call.id, 3);
  ASSERT_EQ(call.count, 3);
  EXPECT_EQ(call.words[0], 7);
  EXPECT_EQ(call.narrow, (std::vector<std::string>{"caf\xC3\xA9", "ab"}));
  EXPECT_EQ(call.lengths, (std::vector<int>{0, 0, 2}));
  EXPECT_EQ(testObject(handle_)->number, 300);
}

TEST_F(FlatApi, MinusTenThousandRaisesTheEventAgainInWideForm) {
  config("CodePage=65001");
  recorder_.wantWide = {3};
  void* params[1] = {reinterpret_cast<void*>(int64_t{3})};
  flatDo(handle_, kRaise, 1, params, nullptr);
  ASSERT_EQ(recorder_.calls.size(), 2u);
  const Call& wide = recorder_.calls[1];
  EXPECT_EQ(wide.id, 10003);
  EXPECT_EQ(wide.words[0], 7);
  EXPECT_EQ(wide.wide, (std::vector<std::u16string>{u"caf\u00e9", u"ab"}));
  EXPECT_EQ(wide.lengths, (std::vector<int>{0, 0, 2}));
  EXPECT_EQ(testObject(handle_)->number, 1000300);  // the second answer counts
}

TEST_F(FlatApi, NoCallbackMeansNoEvents) {
  void* quiet = flatCreateWith(&createTestComponent, nullptr, nullptr);
  void* params[1] = {reinterpret_cast<void*>(int64_t{3})};
  EXPECT_EQ(flatDo(quiet, kRaise, 1, params, nullptr), 0);
  EXPECT_EQ(testObject(quiet)->number, 0);
  flatDestroy(quiet);
}

}  // namespace
}  // namespace velmora::components
