#include "velmora_components.h"

#include "platform/inet.h"

// Interim entry points until the component frame lands: process set-up
// starts the socket library, and no instance can be created yet, so every
// instance call sees a null handle.
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
int VELMORA_CALL IPInfo_StaticInit(void* module) { return IPPort_StaticInit(module); }
int VELMORA_CALL IPInfo_StaticDestroy(void) { return IPPort_StaticDestroy(); }

void* VELMORA_CALL IPPort_Create(ComponentEventCallback, void*) { return nullptr; }
int VELMORA_CALL IPPort_Destroy(void*) { return 0; }
void* VELMORA_CALL IPPort_Get(void*, int, int, int*) { return nullptr; }
int VELMORA_CALL IPPort_Set(void*, int, int, const void*, int) { return 200; }
int VELMORA_CALL IPPort_Do(void*, int, int, void*[], int[]) { return 200; }
const char* VELMORA_CALL IPPort_GetLastError(void*) { return nullptr; }
int VELMORA_CALL IPPort_GetLastErrorCode(void*) { return 200; }
int VELMORA_CALL IPPort_CheckIndex(void*, int, int) { return 200; }

void* VELMORA_CALL IPInfo_Create(ComponentEventCallback, void*) { return nullptr; }
int VELMORA_CALL IPInfo_Destroy(void*) { return 0; }
void* VELMORA_CALL IPInfo_Get(void*, int, int, int*) { return nullptr; }
int VELMORA_CALL IPInfo_Set(void*, int, int, const void*, int) { return 200; }
int VELMORA_CALL IPInfo_Do(void*, int, int, void*[], int[]) { return 200; }
const char* VELMORA_CALL IPInfo_GetLastError(void*) { return nullptr; }
int VELMORA_CALL IPInfo_GetLastErrorCode(void*) { return 200; }
int VELMORA_CALL IPInfo_CheckIndex(void*, int, int) { return 200; }

}  // extern "C"
