#ifndef TAVRO_COMPONENTS_FRAME_EVENT_SINK_H_
#define TAVRO_COMPONENTS_FRAME_EVENT_SINK_H_

#include <cstdint>

#include "components/frame/frame_ids.h"
#include "velmora_components.h"

namespace velmora::components {

/// One event parameter: an integer, a NUL-terminated text, or a byte string
/// (its length goes into the length array; the byte after it must be NUL for
/// the duration of the event).
struct EventArg {
  enum class Kind { kInteger, kText, kBytes };
  Kind kind = Kind::kInteger;
  intptr_t integer = 0;
  const char* data = nullptr;
  int length = 0;

  static EventArg integerArg(intptr_t value) { return {Kind::kInteger, value, nullptr, 0}; }
  static EventArg text(const char* value) { return {Kind::kText, 0, value, 0}; }
  static EventArg bytes(const char* value, int length) { return {Kind::kBytes, 0, value, length}; }
};

/// Delivers events to the callback given to Create, synchronously. A callback
/// that answers exactly kWideEventRequest gets the same event again as
/// id + kWideIdOffset with its texts and bytes in UTF-16 (converted with the
/// code page), and that second answer is returned. Without a callback nothing
/// is delivered.
class EventSink {
 public:
  void bind(ComponentEventCallback callback, void* context) {
    callback_ = callback;
    context_ = context;
  }
  bool bound() const { return callback_ != nullptr; }

  int raise(int eventId, const EventArg* args, int count, int codePage) const;

 private:
  ComponentEventCallback callback_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_EVENT_SINK_H_
