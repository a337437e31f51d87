#include "components/ipinfo/ipinfo.h"

#include <cstdint>

#include "components/ipinfo/ipinfo_ids.h"

namespace {

namespace ids = velmora::components::ipinfo;
using velmora::components::EventParamReader;

int fireEvent(IPInfo& self, int eventId, const EventParamReader& p) {
  if (eventId == ids::kEventError) {
    ErrorEventParams e{p.integer(0), p.text(1), 0};
    return self.FireError(&e);
  }
  if (eventId == ids::kEventRequestComplete) {
    RequestCompleteEventParams e{p.integer(0), p.integer(1), p.text(2), 0};
    return self.FireRequestComplete(&e);
  }
  return 0;
}

}  // namespace

IPInfo::IPInfo() : handle_(IPInfo_Create(&IPInfo::dispatchEvent, this)) {}

IPInfo::~IPInfo() { IPInfo_Destroy(handle_); }

int IPInfo::FireError(ErrorEventParams*) { return 0; }
int IPInfo::FireRequestComplete(RequestCompleteEventParams*) { return 0; }
int IPInfo::FireWideEvent(int, int, void*[], int[]) { return 0; }

int VELMORA_CALL IPInfo::dispatchEvent(void* context, int eventId, int paramCount, void* params[],
                                       int lengths[]) {
  return velmora::components::dispatchToWrapper<IPInfo>(context, eventId, paramCount, params,
                                                        lengths, fireEvent);
}
