#ifndef TAVRO_COMPONENTS_IPINFO_LOOKUP_TEST_SUPPORT_H_
#define TAVRO_COMPONENTS_IPINFO_LOOKUP_TEST_SUPPORT_H_

// Test-only: drives one IPInfo instance through its flat interface and
// records the events it raises.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ticks.h"
#include "velmora_components.h"

namespace velmora::components::testing_lookup {

enum LookupProperty {
  kHostAddress = 27,
  kHostAliases = 28,
  kHostName = 29,
  kOtherAddresses = 32,
  kPendingRequests = 34,
  kRequestId = 35,
  kServiceAliases = 37,
  kServiceName = 38,
  kServicePort = 39,
  kServiceProtocol = 40
};
enum LookupMethod { kConfig = 2, kDoEvents = 5, kReset = 7, kResolveAddress = 8, kResolveName = 9 };

struct RecordedEvent {
  int id = 0;
  intptr_t first = 0;   // request id, or the error code
  intptr_t second = 0;  // status code of RequestComplete
  std::string description;
};

class LookupClient {
 public:
  LookupClient() {
    IPInfo_StaticInit(nullptr);
    handle_ = IPInfo_Create(&LookupClient::onEvent, this);
  }
  ~LookupClient() {
    destroy();
    IPInfo_StaticDestroy();
  }
  LookupClient(const LookupClient&) = delete;
  LookupClient& operator=(const LookupClient&) = delete;

  void destroy() {
    if (handle_ != nullptr) IPInfo_Destroy(handle_);
    handle_ = nullptr;
  }
  bool created() const { return handle_ != nullptr; }

  int setText(int id, const std::string& value) {
    return IPInfo_Set(handle_, id, 0, value.c_str(), static_cast<int>(value.size()));
  }
  int setNumber(int id, intptr_t value) {
    return IPInfo_Set(handle_, id, 0, reinterpret_cast<const void*>(value), 0);
  }
  std::string text(int id) {
    const char* value = static_cast<const char*>(IPInfo_Get(handle_, id, 0, nullptr));
    return value != nullptr ? value : "";
  }
  intptr_t number(int id) {
    return reinterpret_cast<intptr_t>(IPInfo_Get(handle_, id, 0, nullptr));
  }
  int call(int method, const std::string& input, std::string* result = nullptr) {
    void* params[2] = {const_cast<char*>(input.c_str()), nullptr};
    int lengths[2] = {0, 0};
    const int code = IPInfo_Do(handle_, method, 2, params, lengths);
    if (result != nullptr) *result = params[1] ? static_cast<const char*>(params[1]) : "";
    return code;
  }
  std::string lastError() { return IPInfo_GetLastError(handle_); }

  /// DoEvents until `done()` holds or `millis` have passed; true when done.
  template <typename Done>
  bool pumpUntil(Done done, uint32_t millis) {
    const uint32_t start = platform::tickCount();
    while (!done()) {
      if (platform::tickCount() - start > millis) return false;
      IPInfo_Do(handle_, kDoEvents, 0, nullptr, nullptr);
    }
    return true;
  }
  /// Pumps for `millis` whatever arrives.
  void pumpFor(uint32_t millis) {
    pumpUntil([] { return false; }, millis);
  }
  bool awaitCompletions(size_t count, uint32_t millis) {
    return pumpUntil([&] { return completions().size() >= count; }, millis);
  }

  std::vector<RecordedEvent> completions() const { return eventsWithId(2); }
  std::vector<RecordedEvent> errors() const { return eventsWithId(1); }
  std::vector<RecordedEvent> events;

 private:
  std::vector<RecordedEvent> eventsWithId(int id) const {
    std::vector<RecordedEvent> found;
    for (const RecordedEvent& e : events) {
      if (e.id == id) found.push_back(e);
    }
    return found;
  }

  static int VELMORA_CALL onEvent(void* context, int eventId, int paramCount, void* params[],
                                  int[]) {
    auto* self = static_cast<LookupClient*>(context);
    RecordedEvent e;
    e.id = eventId;
    e.first = paramCount > 0 ? reinterpret_cast<intptr_t>(params[0]) : 0;
    const int textAt = eventId == 2 ? 2 : 1;
    if (eventId == 2 && paramCount > 1) e.second = reinterpret_cast<intptr_t>(params[1]);
    if (paramCount > textAt && params[textAt] != nullptr) {
      e.description = static_cast<const char*>(params[textAt]);
    }
    self->events.push_back(e);
    return 0;
  }

  void* handle_ = nullptr;
};

}  // namespace velmora::components::testing_lookup

#endif  // TAVRO_COMPONENTS_IPINFO_LOOKUP_TEST_SUPPORT_H_
