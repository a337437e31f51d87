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

/// True for the UTF-16 re-raise of an event (id + kWideIdOffset).
inline bool isWideEvent(int eventId) { return eventId > kWideIdOffset; }

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_EVENT_PARAMS_H_
