#ifndef TAVRO_COMPONENTS_FRAME_EVENT_PARAMS_H_
#define TAVRO_COMPONENTS_FRAME_EVENT_PARAMS_H_

#include <cstdint>

#include "components/frame/frame_ids.h"

/// The `Error` event record both components deliver to their wrapper: error
/// code, description, and the reserved field (always 0).
struct ErrorEventParams {
  int errorCode;
  const char* description;
  int reserved;
};

namespace velmora::components {

/// The parameters of an event as a wrapper's callback receives them.
/// Parameters beyond `count` read as 0 or an empty text, so a short
/// parameter list from a component never reads past the array.
struct EventParamReader {
  int count;
  void** values;
  int* lengths;

  int integer(int i) const {
    return i < count && values ? static_cast<int>(reinterpret_cast<intptr_t>(values[i])) : 0;
  }
  const char* text(int i) const {
    return i < count && values && values[i] ? static_cast<const char*>(values[i]) : "";
  }
  int length(int i) const { return i < count && lengths ? lengths[i] : 0; }
};

/// The body of a wrapper's event callback: `context` is the wrapper (none:
/// nothing happens); the UTF-16 re-raise of an event goes to its
/// FireWideEvent with the offset taken off, every other event to
/// `fire(wrapper, eventId, reader)`.
template <typename Wrapper, typename Fire>
int dispatchToWrapper(void* context, int eventId, int paramCount, void* params[], int lengths[],
                      Fire fire) {
  auto* self = static_cast<Wrapper*>(context);
  if (self == nullptr) return 0;
  if (eventId > kWideIdOffset) {
    return self->FireWideEvent(eventId - kWideIdOffset, paramCount, params, lengths);
  }
  return fire(*self, eventId, EventParamReader{paramCount, params, lengths});
}

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_EVENT_PARAMS_H_
