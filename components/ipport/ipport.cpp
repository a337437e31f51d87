#include "components/ipport/ipport.h"

#include <cstdint>

namespace {

enum IpPortEvent {
  kConnected = 1,
  kConnectionStatus,
  kDataIn,
  kDisconnected,
  kError,
  kReadyToSend,
};

// Parameters beyond paramCount read as 0 or an empty text, so a short
// parameter list from a component never reads past the array.
struct Params {
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

}  // namespace

IPPort::IPPort() : handle_(IPPort_Create(&IPPort::dispatchEvent, this)) {}

IPPort::~IPPort() { IPPort_Destroy(handle_); }

int IPPort::FireConnected(ConnectedEventParams*) { return 0; }
int IPPort::FireConnectionStatus(ConnectionStatusEventParams*) { return 0; }
int IPPort::FireDataIn(DataInEventParams*) { return 0; }
int IPPort::FireDisconnected(DisconnectedEventParams*) { return 0; }
int IPPort::FireError(ErrorEventParams*) { return 0; }
int IPPort::FireReadyToSend(ReadyToSendEventParams*) { return 0; }
int IPPort::FireWideEvent(int, int, void*[], int[]) { return 0; }

int VELMORA_CALL IPPort::dispatchEvent(void* context, int eventId, int paramCount, void* params[],
                                       int lengths[]) {
  IPPort* self = static_cast<IPPort*>(context);
  if (self == nullptr) return 0;
  if (eventId > 10000) return self->FireWideEvent(eventId - 10000, paramCount, params, lengths);
  Params p{paramCount, params, lengths};
  switch (eventId) {
    case kConnected: {
      ConnectedEventParams e{p.integer(0), p.text(1), 0};
      return self->FireConnected(&e);
    }
    case kConnectionStatus: {
      ConnectionStatusEventParams e{p.text(0), p.integer(1), p.text(2), 0};
      return self->FireConnectionStatus(&e);
    }
    case kDataIn: {
      DataInEventParams e{p.text(0), p.integer(1), p.length(0), 0};
      return self->FireDataIn(&e);
    }
    case kDisconnected: {
      DisconnectedEventParams e{p.integer(0), p.text(1), 0};
      return self->FireDisconnected(&e);
    }
    case kError: {
      ErrorEventParams e{p.integer(0), p.text(1), 0};
      return self->FireError(&e);
    }
    case kReadyToSend: {
      ReadyToSendEventParams e{0};
      return self->FireReadyToSend(&e);
    }
    default:
      return 0;
  }
}
