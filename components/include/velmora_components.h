/* Flat C interface of the two network components carried by the tavro
   executable: IPPort (TCP client) and IPInfo (network information and
   name resolution). */
#ifndef VELMORA_COMPONENTS_H_
#define VELMORA_COMPONENTS_H_

#ifdef _WIN32
#define VELMORA_CALL __stdcall
#ifdef TAVRO_BUILDING_COMPONENTS
#define VELMORA_API __declspec(dllexport)
#else
#define VELMORA_API __declspec(dllimport)
#endif
#else
#define VELMORA_CALL
#define VELMORA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int(VELMORA_CALL* ComponentEventCallback)(void* context, int eventId,
                                                  int paramCount, void* params[],
                                                  int lengths[]);

VELMORA_API int VELMORA_CALL IPPort_StaticInit(void* moduleInstance);
VELMORA_API int VELMORA_CALL IPPort_StaticDestroy(void);
VELMORA_API void* VELMORA_CALL IPPort_Create(ComponentEventCallback callback, void* context);
VELMORA_API int VELMORA_CALL IPPort_Destroy(void* handle);
VELMORA_API void* VELMORA_CALL IPPort_Get(void* handle, int propertyId, int index, int* length);
VELMORA_API int VELMORA_CALL IPPort_Set(void* handle, int propertyId, int index, const void* value, int length);
VELMORA_API int VELMORA_CALL IPPort_Do(void* handle, int methodId, int paramCount, void* params[], int lengths[]);
VELMORA_API const char* VELMORA_CALL IPPort_GetLastError(void* handle);
VELMORA_API int VELMORA_CALL IPPort_GetLastErrorCode(void* handle);
VELMORA_API int VELMORA_CALL IPPort_CheckIndex(void* handle, int propertyId, int index);

VELMORA_API int VELMORA_CALL IPInfo_StaticInit(void* moduleInstance);
VELMORA_API int VELMORA_CALL IPInfo_StaticDestroy(void);
VELMORA_API void* VELMORA_CALL IPInfo_Create(ComponentEventCallback callback, void* context);
VELMORA_API int VELMORA_CALL IPInfo_Destroy(void* handle);
VELMORA_API void* VELMORA_CALL IPInfo_Get(void* handle, int propertyId, int index, int* length);
VELMORA_API int VELMORA_CALL IPInfo_Set(void* handle, int propertyId, int index, const void* value, int length);
VELMORA_API int VELMORA_CALL IPInfo_Do(void* handle, int methodId, int paramCount, void* params[], int lengths[]);
VELMORA_API const char* VELMORA_CALL IPInfo_GetLastError(void* handle);
VELMORA_API int VELMORA_CALL IPInfo_GetLastErrorCode(void* handle);
VELMORA_API int VELMORA_CALL IPInfo_CheckIndex(void* handle, int propertyId, int index);

#ifdef __cplusplus
}
#endif

#endif /* VELMORA_COMPONENTS_H_ */
