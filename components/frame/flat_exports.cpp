#include "components/frame/flat_api.h"
#include "velmora_components.h"

using velmora::components::ComponentKind;
namespace flat = velmora::components;

// The exported names: one set of flat functions, addressed per component.
extern "C" {

int VELMORA_CALL IPPort_StaticInit(void* module) {
  return flat::flatStaticInit(ComponentKind::kIPPort, module);
}
int VELMORA_CALL IPPort_StaticDestroy(void) {
  return flat::flatStaticDestroy(ComponentKind::kIPPort);
}
void* VELMORA_CALL IPPort_Create(ComponentEventCallback callback, void* context) {
  return flat::flatCreate(ComponentKind::kIPPort, callback, context);
}
int VELMORA_CALL IPPort_Destroy(void* handle) { return flat::flatDestroy(handle); }
void* VELMORA_CALL IPPort_Get(void* handle, int id, int index, int* length) {
  return flat::flatGet(handle, id, index, length);
}
int VELMORA_CALL IPPort_Set(void* handle, int id, int index, const void* value, int length) {
  return flat::flatSet(handle, id, index, value, length);
}
int VELMORA_CALL IPPort_Do(void* handle, int id, int count, void* params[], int lengths[]) {
  return flat::flatDo(handle, id, count, params, lengths);
}
const char* VELMORA_CALL IPPort_GetLastError(void* handle) {
  return flat::flatGetLastError(handle);
}
int VELMORA_CALL IPPort_GetLastErrorCode(void* handle) {
  return flat::flatGetLastErrorCode(handle);
}
int VELMORA_CALL IPPort_CheckIndex(void* handle, int id, int index) {
  return flat::flatCheckIndex(handle, id, index);
}

int VELMORA_CALL IPInfo_StaticInit(void* module) {
  return flat::flatStaticInit(ComponentKind::kIPInfo, module);
}
int VELMORA_CALL IPInfo_StaticDestroy(void) {
  return flat::flatStaticDestroy(ComponentKind::kIPInfo);
}
void* VELMORA_CALL IPInfo_Create(ComponentEventCallback callback, void* context) {
  return flat::flatCreate(ComponentKind::kIPInfo, callback, context);
}
int VELMORA_CALL IPInfo_Destroy(void* handle) { return flat::flatDestroy(handle); }
void* VELMORA_CALL IPInfo_Get(void* handle, int id, int index, int* length) {
  return flat::flatGet(handle, id, index, length);
}
int VELMORA_CALL IPInfo_Set(void* handle, int id, int index, const void* value, int length) {
  return flat::flatSet(handle, id, index, value, length);
}
int VELMORA_CALL IPInfo_Do(void* handle, int id, int count, void* params[], int lengths[]) {
  return flat::flatDo(handle, id, count, params, lengths);
}
const char* VELMORA_CALL IPInfo_GetLastError(void* handle) {
  return flat::flatGetLastError(handle);
}
int VELMORA_CALL IPInfo_GetLastErrorCode(void* handle) {
  return flat::flatGetLastErrorCode(handle);
}
int VELMORA_CALL IPInfo_CheckIndex(void* handle, int id, int index) {
  return flat::flatCheckIndex(handle, id, index);
}

}  // extern "C"
