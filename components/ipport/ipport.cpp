#include "components/ipport/ipport.h"

#include <cstdint>

#include "components/ipport/ipport_ids.h"

namespace {

namespace ids = velmora::components::ipport;
using velmora::components::EventParamReader;

int fireEvent(IPPort& self, int eventId, const EventParamReader& p) {
  switch (eventId) {
    case ids::kEventConnected: {
      ConnectedEventParams e{p.integer(0), p.text(1), 0};
      return self.FireConnected(&e);
    }
    case ids::kEventConnectionStatus: {
      ConnectionStatusEventParams e{p.text(0), p.integer(1), p.text(2), 0};
      return self.FireConnectionStatus(&e);
    }
    case ids::kEventDataIn: {
      DataInEventParams e{p.text(0), p.integer(1), p.length(0), 0};
      return self.FireDataIn(&e);
    }
    case ids::kEventDisconnected: {
      DisconnectedEventParams e{p.integer(0), p.text(1), 0};
      return self.FireDisconnected(&e);
    }
    case ids::kEventError: {
      ErrorEventParams e{p.integer(0), p.text(1), 0};
      return self.FireError(&e);
    }
    case ids::kEventReadyToSend: {
      ReadyToSendEventParams e{0};
      return self.FireReadyToSend(&e);
    }
    default:
      return 0;
  }
}

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
  return velmora::components::dispatchToWrapper<IPPort>(context, eventId, paramCount, params,
                                                        lengths, fireEvent);
}
