#include "velmora_components.h"

#include "platform/inet.h"

// Process-wide set-up of the components. The caller balances init and
// destroy; the socket library counts its own starts.
extern "C" {

int VELMORA_CALL IPPort_StaticInit(void*) {
  uint16_t granted = 0;
  velmora::platform::socketsStartup(&granted);
  return 0;
}

int VELMORA_CALL IPPort_StaticDestroy(void) {
  velmora::platform::socketsCleanup();
  return 0;
}

int VELMORA_CALL IPInfo_StaticInit(void*) {
  uint16_t granted = 0;
  velmora::platform::socketsStartup(&granted);
  return 0;
}

int VELMORA_CALL IPInfo_StaticDestroy(void) {
  velmora::platform::socketsCleanup();
  return 0;
}

}  // extern "C"
