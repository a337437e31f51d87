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
  // Events of a fast stream (DataIn) come thousands of times a second: their
  // few parameters are passed from the stack, not from an allocation.
  constexpr int kInlineArgs = 8;
  void* inlineParams[kInlineArgs + 1] = {};
  int inlineLengths[kInlineArgs + 1] = {};
  std::vector<void*> heapParams;
  std::vector<int> heapLengths;
  void** params = inlineParams;
  int* lengths = inlineLengths;
  if (count > kInlineArgs) {
    heapParams.assign(static_cast<size_t>(count) + 1, nullptr);
    heapLengths.assign(static_cast<size_t>(count) + 1, 0);
    params = heapParams.data();
    lengths = heapLengths.data();
  }
  for (int i = 0; i < count; ++i) {
    if (args[i].kind == EventArg::Kind::kInteger) {
      params[i] = reinterpret_cast<void*>(args[i].integer);
    } else {
      params[i] = const_cast<char*>(nonNull(args[i].data));
      if (args[i].kind == EventArg::Kind::kBytes && args[i].data) lengths[i] = args[i].length;
    }
  }
  int answer = callback_(context_, eventId, count, params, lengths);
  if (answer != kWideEventRequest) return answer;
  // A callback that destroyed its instance has unbound it: no second call.
  if (callback_ == nullptr) return 0;

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
  return callback_(context_, eventId + kWideIdOffset, count, params, lengths);
}

}  // namespace velmora::components
