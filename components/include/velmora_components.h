/* Flat C interface of the two network components IPPort (TCP client) and
   IPInfo (network information and name resolution).

   Programs link the shared library: velmora_components.dll on Windows
   (import library velmora_components.dll.a for mingw, velmora_components.lib
   for MSVC), libvelmora_components.so.1 on Linux (pkg-config
   velmora-components, or find_package(velmora_components) in CMake). The
   manual pages IPPort(3) and IPInfo(3) describe each component with a
   complete example.

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

   Every id below has a name in this header: IPPort_Prop_RemotePort,
   IPPort_Method_Connect, IPPort_Event_Connected, IPInfo_Prop_HostAddress,
   IPInfo_Method_ResolveName and so on (velmora_components_ids.h lists them
   all); the Config setting names are the *_Setting_* macros below.

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

#include "velmora_components_ids.h"
#include "velmora_components_version.h"

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
/* An id plus VELMORA_WIDE_ID_OFFSET is its UTF-16 variant; plus
   VELMORA_RAW_WIDE_ID_OFFSET the variant whose texts Set takes unconverted. */
#define VELMORA_WIDE_ID_OFFSET 10000
#define VELMORA_RAW_WIDE_ID_OFFSET 20000

/* Result codes. Winsock errors lie between VELMORA_WINSOCK_ERROR_FIRST and
   VELMORA_WINSOCK_ERROR_LAST (10060 a time-out, 11001 an unknown host). */
#define VELMORA_SUCCESS 0
#define VELMORA_UNKNOWN_SETTING (-1)
#define VELMORA_OUT_OF_MEMORY 200
#define VELMORA_WAIT_ENDED 301
#define VELMORA_CONVERSION_FAILED 434
#define VELMORA_WINSOCK_ERROR_FIRST 10004
#define VELMORA_WINSOCK_ERROR_LAST 11004

#define VELMORA_ID_CONSTANT_(prefix, name, cxx, id) prefix##name = id,
#define VELMORA_IPPORT_PROP_(name, cxx, id) VELMORA_ID_CONSTANT_(IPPort_Prop_, name, cxx, id)
#define VELMORA_IPPORT_METHOD_(name, cxx, id) VELMORA_ID_CONSTANT_(IPPort_Method_, name, cxx, id)
#define VELMORA_IPPORT_EVENT_(name, cxx, id) VELMORA_ID_CONSTANT_(IPPort_Event_, name, cxx, id)
#define VELMORA_IPINFO_PROP_(name, cxx, id) VELMORA_ID_CONSTANT_(IPInfo_Prop_, name, cxx, id)
#define VELMORA_IPINFO_METHOD_(name, cxx, id) VELMORA_ID_CONSTANT_(IPInfo_Method_, name, cxx, id)
#define VELMORA_IPINFO_EVENT_(name, cxx, id) VELMORA_ID_CONSTANT_(IPInfo_Event_, name, cxx, id)
/* IPPort_Prop_VersionTag ... IPPort_Prop_Timeout, IPPort_Prop_CodePage */
enum IPPortProperty { VELMORA_IPPORT_PROPERTIES(VELMORA_IPPORT_PROP_) };
/* IPPort_Method_Config ... IPPort_Method_SendLine */
enum IPPortMethod { VELMORA_IPPORT_METHODS(VELMORA_IPPORT_METHOD_) };
/* IPPort_Event_Connected ... IPPort_Event_ReadyToSend */
enum IPPortEvent { VELMORA_IPPORT_EVENTS(VELMORA_IPPORT_EVENT_) };
/* IPInfo_Prop_VersionTag ... IPInfo_Prop_ServiceProtocol, IPInfo_Prop_CodePage */
enum IPInfoProperty { VELMORA_IPINFO_PROPERTIES(VELMORA_IPINFO_PROP_) };
/* IPInfo_Method_Config ... IPInfo_Method_ResolveName */
enum IPInfoMethod { VELMORA_IPINFO_METHODS(VELMORA_IPINFO_METHOD_) };
/* IPInfo_Event_Error, IPInfo_Event_RequestComplete */
enum IPInfoEvent { VELMORA_IPINFO_EVENTS(VELMORA_IPINFO_EVENT_) };
#undef VELMORA_IPPORT_PROP_
#undef VELMORA_IPPORT_METHOD_
#undef VELMORA_IPPORT_EVENT_
#undef VELMORA_IPINFO_PROP_
#undef VELMORA_IPINFO_METHOD_
#undef VELMORA_IPINFO_EVENT_
#undef VELMORA_ID_CONSTANT_

/* Names of the Config settings (method 2): "name=value" sets one, "name"
   alone queries it. Names compare without regard to case. Both components: */
#define Velmora_Setting_CodePage "CodePage"
#define Velmora_Setting_CharsetMode "CharsetMode"
#define Velmora_Setting_SelectWaitMillis "SelectWaitMillis"
#define Velmora_Setting_AbsoluteTimeout "AbsoluteTimeout"
#define Velmora_Setting_TimeoutInMilliseconds "TimeoutInMilliseconds"
#define Velmora_Setting_WinsockStatus "WinsockStatus"   /* query only */
#define Velmora_Setting_WinsockVersion "WinsockVersion" /* query only */
#define Velmora_Setting_IgnoreExternalEvents "IgnoreExternalEvents"
#define Velmora_Setting_QOSTrafficType "QOSTrafficType"
#define Velmora_Setting_QOSDSCPValue "QOSDSCPValue"
#define Velmora_Setting_UseIPv6 "UseIPv6"
#define Velmora_Setting_KerberosSPN "KerberosSPN"
#define Velmora_Setting_UseSystemSSPI "UseSystemSSPI"
#define Velmora_Setting_RecordToFile "RecordToFile"
/* IPPort: */
#define IPPort_Setting_TCPKeepAlive "TCPKeepAlive"
#define IPPort_Setting_KeepAliveTime "KeepAliveTime"
#define IPPort_Setting_KeepAliveInterval "KeepAliveInterval"
#define IPPort_Setting_Linger "Linger"
#define IPPort_Setting_LingerTime "LingerTime"
#define IPPort_Setting_TcpNoDelay "TcpNoDelay"
#define IPPort_Setting_InBufferSize "InBufferSize"
#define IPPort_Setting_OutBufferSize "OutBufferSize"
#define IPPort_Setting_BindIPv6Address "BindIPv6Address"
#define IPPort_Setting_FirewallAutoDetect "FirewallAutoDetect"
#define IPPort_Setting_FirewallType "FirewallType"
#define IPPort_Setting_FirewallHost "FirewallHost"
#define IPPort_Setting_FirewallPort "FirewallPort"
#define IPPort_Setting_FirewallUser "FirewallUser"
#define IPPort_Setting_FirewallPassword "FirewallPassword"
#define IPPort_Setting_SplitCRLF "SplitCRLF"
#define IPPort_Setting_MaxLineLength "MaxLineLength"
#define IPPort_Setting_MaxTransferRate "MaxTransferRate"
#define IPPort_Setting_SocketHandle "SocketHandle" /* query only */
#define IPPort_Setting_UseExtendedDST "UseExtendedDST"
/* IPInfo: */
#define IPInfo_Setting_DefaultToMachineSettings "DefaultToMachineSettings"
#define IPInfo_Setting_UseOldAPI "UseOldAPI"
#define IPInfo_Setting_ARPAddress "ARPAddress"
#define IPInfo_Setting_FlushDNS "FlushDNS"
#define IPInfo_Setting_DisplayDNS "DisplayDNS" /* query only */
/* "True": host lookups finish inside the call (Set of HostName or
   HostAddress, ResolveName, ResolveAddress) and raise RequestComplete
   before it returns, instead of answering later through DoEvents. */
#define IPInfo_Setting_BlockingResolve "BlockingResolve"

typedef int(VELMORA_CALL* ComponentEventCallback)(void* context, int eventId, int paramCount,
                                                  void* params[], int lengths[]);

VELMORA_API int VELMORA_CALL IPPort_StaticInit(void* moduleInstance);
VELMORA_API int VELMORA_CALL IPPort_StaticDestroy(void);
VELMORA_API void* VELMORA_CALL IPPort_Create(ComponentEventCallback callback, void* context);
/* Destroy may be called from inside one of the instance's own event
   callbacks (or while any other call into it runs): it returns 0 at once,
   the instance raises no further event and ends any blocking call, and it is
   freed when the outermost call into it returns. The handle is invalid from
   the Destroy on. The same holds for IPInfo_Destroy. */
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
