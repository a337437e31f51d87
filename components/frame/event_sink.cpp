#include "components/frame/event_sink.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace velmora::components {
namespace {

const char* nonNull(const char* text) { return text ? text : ""; }

}  // namespace

int EventSink::raise(int eventId, const EventArg* args, int count, int codePage) const {
  if (callback_ == nullptr) return 0;
  std::vector<void*> params(static_cast<size_t>(count) + 1, nullptr);
  std::vector<int> lengths(static_cast<size_t>(count) + 1, 0);
  for (int i = 0; i < count; ++i) {
    if (args[i].kind == EventArg::Kind::kInteger) {
      params[i] = reinterpret_cast<void*>(args[i].integer);
    } else {
      params[i] = const_cast<char*>(nonNull(args[i].data));
      if (args[i].kind == EventArg::Kind::kBytes && args[i].data) lengths[i] = args[i].length;
    }
  }
  int answer = callback_(context_, eventId, count, params.data(), lengths.data());
  if (answer != kWideEventRequest) return answer;

  std::vector<std::u16string> wide(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    if (args[i].kind == EventArg::Kind::kInteger) continue;
    const char* data = nonNull(args[i].data);
    size_t length = args[i].kind == EventArg::Kind::kBytes && args[i].data
                        ? static_cast<size_t>(args[i].length < 0 ? 0 : args[i].length)
                        : std::strlen(data);
    // A text the code page cannot convert is passed on empty.
    platform::bytesToWide(codePage, data, length, &wide[i]);
    params[i] = const_cast<char16_t*>(wide[i].c_str());
    lengths[i] = args[i].kind == EventArg::Kind::kBytes ? static_cast<int>(wide[i].size()) : 0;
  }
  return callback_(context_, eventId + kWideIdOffset, count, params.data(), lengths.data());
}

}  // namespace velmora::components
