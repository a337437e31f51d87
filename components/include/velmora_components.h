/* Flat C interface of the two network components carried by the tavro
   executable: IPPort (TCP client) and IPInfo (network information and
   name resolution).

   Programs link the shared library: velmora_components.dll on Windows
   (import library velmora_components.dll.a for mingw, velmora_components.lib
   for MSVC), libvelmora_components.so.1 on Linux (pkg-config
   velmora-components, or find_package(velmora_components) in CMake). The
   tavro executable exports the same functions, but it cannot serve as a
   library: an executable loaded with LoadLibrary gets no C runtime start-up,
   so its heap and static objects are never set up and the first call
   crashes; on Linux a position-independent executable cannot be loaded by
   another program at all.

   Every function uses the standard Windows calling convention. A handle is
   an opaque instance pointer from Create. Calls on an instance, and its
   events, belong to the thread that created it.

   Results: 0 success; -1 unknown configuration key, or Set of an id that
   names no writable property (the result code is then left unchanged);
   200 out of memory, and Set/Do/GetLastErrorCode on a null handle;
   301 a blocking wait ended ("Timeout." or "Interrupted."); 434 a code-page
   conversion failed; 10004-11004 Winsock errors, with the message text
   "[code] text". After a failed Set or Do, GetLastError gives the text.

   Values: integers and booleans (1/0) travel as the word itself; texts as
   NUL-terminated byte strings owned by the instance (valid until its next
   call that changes them); byte strings as a pointer plus length. Ids above
   10000 (up to 20000) are the same property or method with UTF-16 texts,
   converted with the instance's code page; ids above 20000 are read like the
   wide variant by Get and taken unconverted by Set. Property 2010 reads the
   code page (set it with Config "CodePage=65001").

   Common methods: 2 Config (0: "name=value" or "name"; 1: receives the
   answer), 5 DoEvents. IPPort: properties 0 VersionTag, 19 Timeout
   (seconds, or ms with Config "TimeoutInMilliseconds=True"), methods
   3 Connect (host, port), 4 Disconnect, 7 Interrupt; events 1 Connected
   (code, description), 2 ConnectionStatus (text, code, description),
   3 DataIn (bytes, end-of-line flag), 4 Disconnected (code, description),
   5 Error (code, description), 6 ReadyToSend. IPInfo: events 1 Error
   (code, description), 2 RequestComplete (request id, code, description).

   Event callback: called synchronously with the context given to Create.
   Text parameters are never null; the length array holds byte lengths of
   byte-string parameters. Answering exactly -10000 makes the component raise
   the same event again as id + 10000 with UTF-16 texts; the answer to that
   second call is returned. */
#ifndef VELMORA_COMPONENTS_H_
#define VELMORA_COMPONENTS_H_

/* Every function is __stdcall on Windows: on i686 a program refers to
   _IPPort_Create@8 and the like, which both import libraries resolve. */
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

#define VELMORA_WIDE_EVENT_REQUEST (-10000)
#define VELMORA_CODEPAGE_PROPERTY 2010

typedef int(VELMORA_CALL* ComponentEventCallback)(void* context, int eventId, int paramCount,
                                                  void* params[], int lengths[]);

VELMORA_API int VELMORA_CALL IPPort_StaticInit(void* moduleInstance);
VELMORA_API int VELMORA_CALL IPPort_StaticDestroy(void);
VELMORA_API void* VELMORA_CALL IPPort_Create(ComponentEventCallback callback, void* context);
VELMORA_API int VELMORA_CALL IPPort_Destroy(void* handle);
VELMORA_API void* VELMORA_CALL IPPort_Get(void* handle, int propertyId, int index, int* length);
VELMORA_API int VELMORA_CALL IPPort_Set(void* handle, int propertyId, int index, const void* value,
                                        int length);
VELMORA_API int VELMORA_CALL IPPort_Do(void* handle, int methodId, int paramCount, void* params[],
                                       int lengths[]);
VELMORA_API const char* VELMORA_CALL IPPort_GetLastError(void* handle);
VELMORA_API int VELMORA_CALL IPPort_GetLastErrorCode(void* handle);
VELMORA_API int VELMORA_CALL IPPort_CheckIndex(void* handle, int propertyId, int index);

VELMORA_API int VELMORA_CALL IPInfo_StaticInit(void* moduleInstance);
VELMORA_API int VELMORA_CALL IPInfo_StaticDestroy(void);
VELMORA_API void* VELMORA_CALL IPInfo_Create(ComponentEventCallback callback, void* context);
VELMORA_API int VELMORA_CALL IPInfo_Destroy(void* handle);
VELMORA_API void* VELMORA_CALL IPInfo_Get(void* handle, int propertyId, int index, int* length);
VELMORA_API int VELMORA_CALL IPInfo_Set(void* handle, int propertyId, int index, const void* value,
                                        int length);
VELMORA_API int VELMORA_CALL IPInfo_Do(void* handle, int methodId, int paramCount, void* params[],
                                       int lengths[]);
VELMORA_API const char* VELMORA_CALL IPInfo_GetLastError(void* handle);
VELMORA_API int VELMORA_CALL IPInfo_GetLastErrorCode(void* handle);
VELMORA_API int VELMORA_CALL IPInfo_CheckIndex(void* handle, int propertyId, int index);

#ifdef __cplusplus
}
#endif

#endif /* VELMORA_COMPONENTS_H_ */
