#ifndef TAVRO_COMPONENTS_FRAME_COMPONENT_TEST_SUPPORT_H_
#define TAVRO_COMPONENTS_FRAME_COMPONENT_TEST_SUPPORT_H_

// A component with one property and method of every kind, for the frame's
// tests (header only, so that it never enters the program).

#include <new>
#include <string>

#include "components/frame/flat_api.h"
#include "components/frame/socket_component.h"

namespace velmora::components::testing {

enum TestProperty { kNumber = 1, kReadOnly, kName, kData, kSendOnly, kFlag, kTimeout = 19 };
enum TestMethod {
  kConfig = 2,
  kEcho,   // 0 text, 1 receives it back
  kRaise,  // 0 event id; raises (7, text, bytes); `number` = the answer
  kDoEvents,
  kFail,  // 0 the code to return, with no text
  kInterrupt,
  kSendData,  // 0 bytes; records them
  kThrow,     // throws std::bad_alloc
  kBlock,     // a blocking wait that only a wait step ends
};

constexpr uint32_t kRaiseMessage = platform::kWmUser + 1;

class TestComponent : public SocketComponent {
 public:
  int number = 0;
  std::string name;
  std::string data;
  std::string sent;
  bool flag = false;
  int raisedByMessage = 0;

  const PropertyInfo* findProperty(int id) const override {
    static constexpr PropertyInfo kTable[] = {
        {kNumber, ValueKind::kInteger, kReadWrite}, {kReadOnly, ValueKind::kInteger, kRead},
        {kName, ValueKind::kText, kReadWrite},      {kData, ValueKind::kBytes, kReadWrite},
        {kSendOnly, ValueKind::kBytes, kWrite},     {kFlag, ValueKind::kBoolean, kReadWrite},
        {kTimeout, ValueKind::kInteger, kReadWrite}};
    return findById(kTable, id);
  }
  const MethodInfo* findMethod(int id) const override {
    static constexpr MethodInfo kTable[] = {
        {kConfig, 2, {ParamKind::kText, ParamKind::kTextResult}},
        {kEcho, 2, {ParamKind::kText, ParamKind::kTextResult}},
        {kRaise, 1, {ParamKind::kInteger}},
        {kDoEvents, 0, {}},
        {kFail, 1, {ParamKind::kInteger}},
        {kInterrupt, 0, {}},
        {kSendData, 1, {ParamKind::kBytes}},
        {kThrow, 0, {}},
        {kBlock, 0, {}}};
    return findById(kTable, id);
  }
  intptr_t getProperty(int id, int* length) override {
    switch (id) {
      case kNumber:
        return number;
      case kReadOnly:
        return 42;
      case kName:
        return reinterpret_cast<intptr_t>(name.c_str());
      case kData:
        *length = static_cast<int>(data.size());
        return reinterpret_cast<intptr_t>(data.c_str());
      case kFlag:
        return flag ? 1 : 0;
      case kTimeout:
        return timeoutProperty();
      default:
        return 0;
    }
  }
  int setProperty(int id, const PropertyValue& v) override {
    switch (id) {
      case kNumber:
        number = static_cast<int>(v.word);
        return number < 0 ? 10022 : 0;
      case kName:
        name = v.text;
        return 0;
      case kData:
        data.assign(v.text, static_cast<size_t>(v.length));
        return 0;
      case kSendOnly:
        sent.assign(v.text, static_cast<size_t>(v.length));
        return 0;
      case kFlag:
        flag = v.word != 0;
        return 0;
      case kTimeout:
        setTimeoutProperty(static_cast<int>(v.word));
        return 0;
      default:
        return 0;
    }
  }
  int callMethod(int id, MethodArgs& args) override {
    switch (id) {
      case kConfig:
        return callConfig(args);
      case kEcho:
        name = args.text(0);
        args.setResult(1, name.c_str());
        return 0;
      case kRaise:
        number = raiseEvent(
            static_cast<int>(args.integer(0)),
            {EventArg::integerArg(7), EventArg::text("caf\xC3\xA9"), EventArg::bytes("ab\0", 2)});
        return 0;
      case kDoEvents:
        return doEvents();
      case kFail:
        return static_cast<int>(args.integer(0));
      case kInterrupt:
        return interrupt();
      case kSendData: {
        int length = 0;
        const char* bytes = args.bytes(0, &length);
        sent.assign(bytes, static_cast<size_t>(length));
        return 0;
      }
      case kThrow:
        throw std::bad_alloc();
      case kBlock:
        clearInterrupt();
        armDeadline();
        return runWaitSteps([] { return false; });
      default:
        return 0;
    }
  }
  intptr_t handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    if (message != kRaiseMessage)
      return SocketComponent::handleWindowMessage(message, wParam, lParam);
    ++raisedByMessage;
    raiseEvent(static_cast<int>(wParam), {EventArg::integerArg(lParam)});
    return 0;
  }
};

inline ComponentBase* createTestComponent() { return new TestComponent(); }

inline TestComponent* testObject(void* handle) {
  return static_cast<TestComponent*>(static_cast<ComponentBase*>(handle));
}

}  // namespace velmora::components::testing

#endif  // TAVRO_COMPONENTS_FRAME_COMPONENT_TEST_SUPPORT_H_
