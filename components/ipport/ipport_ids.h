#ifndef TAVRO_COMPONENTS_IPPORT_IPPORT_IDS_H_
#define TAVRO_COMPONENTS_IPPORT_IPPORT_IDS_H_

// The ids of IPPort's properties, methods and events, from the list that
// the public C header also takes them from (velmora_components_ids.h).

#include "components/frame/frame_ids.h"
#include "velmora_components_ids.h"

namespace velmora::components::ipport {

#define TAVRO_ID_ENUMERATOR(name, cxx, id) k##cxx = id,
enum Property : int { VELMORA_IPPORT_PROPERTIES(TAVRO_ID_ENUMERATOR) };
enum Method : int { VELMORA_IPPORT_METHODS(TAVRO_ID_ENUMERATOR) };
enum Event : int { VELMORA_IPPORT_EVENTS(TAVRO_ID_ENUMERATOR) };
#undef TAVRO_ID_ENUMERATOR

static_assert(kVersionTagId == frame_ids::kVersionTagProperty &&
                  kConfig == frame_ids::kConfigMethod && kDoEvents == frame_ids::kDoEventsMethod &&
                  kInterrupt == frame_ids::kInterruptMethod &&
                  kTimeout == frame_ids::kTimeoutProperty &&
                  kCodePageId == frame_ids::kCodePageProperty,
              "the frame's ids");

}  // namespace velmora::components::ipport

#endif  // TAVRO_COMPONENTS_IPPORT_IPPORT_IDS_H_
