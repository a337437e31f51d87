#ifndef TAVRO_COMPONENTS_FRAME_FRAME_IDS_H_
#define TAVRO_COMPONENTS_FRAME_FRAME_IDS_H_

// The ids the frame gives every component, and the offsets that turn an id
// into its UTF-16 variant. Each component's own ids are in its *_ids.h,
// which starts from these.

#include "velmora_components.h"

namespace velmora::components {

namespace frame_ids {
/// Properties and methods of every component.
constexpr int kVersionTagProperty = 0;
constexpr int kConfigMethod = 2;
constexpr int kDoEventsMethod = 5;
/// Only in a component with a time-out (IPPort).
constexpr int kInterruptMethod = 7;
constexpr int kTimeoutProperty = 19;
/// Reads the code page (set with Config "CodePage=...").
constexpr int kCodePageProperty = VELMORA_CODEPAGE_PROPERTY;
}  // namespace frame_ids

/// A property, method or event id above this is the same one with UTF-16
/// texts (id + kWideIdOffset); above kRawWideIdOffset, the raw variant.
constexpr int kWideIdOffset = VELMORA_WIDE_ID_OFFSET;
constexpr int kRawWideIdOffset = VELMORA_RAW_WIDE_ID_OFFSET;

/// The answer to an event that asks for it again with UTF-16 texts.
constexpr int kWideEventRequest = VELMORA_WIDE_EVENT_REQUEST;
static_assert(kWideEventRequest == -kWideIdOffset, "the public header's value");

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_FRAME_IDS_H_
