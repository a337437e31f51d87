#include "components/ipinfo/ipinfo.h"

#include <cstdint>

namespace {

int integerAt(int count, void* params[], int i) {
  return i < count && params ? static_cast<int>(reinterpret_cast<intptr_t>(params[i])) : 0;
}

const char* textAt(int count, void* params[], int i) {
  return i < count && params && params[i] ? static_cast<const char*>(params[i]) : "";
}

}  // namespace

IPInfo::IPInfo() : handle_(IPInfo_Create(&IPInfo::dispatchEvent, this)) {}

IPInfo::~IPInfo() { IPInfo_Destroy(handle_); }

int IPInfo::FireError(ErrorEventParams*) { return 0; }
int IPInfo::FireRequestComplete(RequestCompleteEventParams*) { return 0; }
int IPInfo::FireWideEvent(int, int, void*[], int[]) { return 0; }

int VELMORA_CALL IPInfo::dispatchEvent(void* context, int eventId, int paramCount, void* params[],
                                       int lengths[]) {
  IPInfo* self = static_cast<IPInfo*>(context);
  if (self == nullptr) return 0;
  if (eventId > 10000) return self->FireWideEvent(eventId - 10000, paramCount, params, lengths);
  if (eventId == 1) {
    ErrorEventParams e{integerAt(paramCount, params, 0), textAt(paramCount, params, 1), 0};
    return self->FireError(&e);
  }
  if (eventId == 2) {
    RequestCompleteEventParams e{integerAt(paramCount, params, 0), integerAt(paramCount, params, 1),
                                 textAt(paramCount, params, 2), 0};
    return self->FireRequestComplete(&e);
  }
  return 0;
}
