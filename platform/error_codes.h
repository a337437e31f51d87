#ifndef TAVRO_PLATFORM_ERROR_CODES_H_
#define TAVRO_PLATFORM_ERROR_CODES_H_

// The codes this program reports, each written once: the Windows system
// codes it meets, the Winsock codes and the IP_STATUS codes of an echo call,
// every one with its name, its number and the English text Windows gives
// for it (null where the program needs the number only). The lists are
// X-macros, X(name, number, text), so that a table of texts or a switch is
// generated from them instead of being written out again. The POSIX backend
// translates errno and getaddrinfo results into these codes (see
// system_error_posix.h), so both systems report the same numbers.

#include <cstdint>

// Windows system error codes; the texts are FormatMessage's without the final
// line break (1314 adds how to grant ICMP on POSIX, where it is reported when
// no ICMP socket may be opened).
#define TAVRO_SYSTEM_ERROR_CODES(X)                                                             \
  X(kErrorSuccess, 0, "The operation completed successfully.")                                  \
  X(kErrorInvalidFunction, 1, "Incorrect function.")                                            \
  X(kErrorFileNotFound, 2, "The system cannot find the file specified.")                        \
  X(kErrorPathNotFound, 3, "The system cannot find the path specified.")                        \
  X(kErrorTooManyOpenFiles, 4, "The system cannot open the file.")                              \
  X(kErrorAccessDenied, 5, "Access is denied.")                                                 \
  X(kErrorInvalidHandle, 6, "The handle is invalid.")                                           \
  X(kErrorNotEnoughMemory, 8,                                                                   \
    "Not enough memory resources are available to process this command.")                       \
  X(kErrorInvalidData, 13, "The data is invalid.")                                              \
  X(kErrorOutOfMemory, 14,                                                                      \
    "Not enough memory resources are available to complete this operation.")                    \
  X(kErrorSharingViolation, 32,                                                                 \
    "The process cannot access the file because it is being used by another process.")          \
  X(kErrorNotSupported, 50, "The request is not supported.")                                    \
  X(kErrorInvalidParameter, 87, "The parameter is incorrect.")                                  \
  X(kErrorDiskFull, 112, "There is not enough space on the disk.")                              \
  X(kErrorInsufficientBuffer, 122, "The data area passed to a system call is too small.")       \
  X(kErrorDirNotEmpty, 145, "The directory is not empty.")                                      \
  X(kErrorBadPathname, 161, nullptr)                                                            \
  X(kErrorAlreadyExists, 183, "Cannot create a file when that file already exists.")            \
  X(kErrorFilenameTooLong, 206, nullptr)                                                        \
  X(kErrorNoData, 232, "The pipe is being closed.")                                             \
  X(kErrorMoreData, 234, "More data is available.")                                             \
  X(kErrorNoMoreItems, 259, "No more data is available.")                                       \
  X(kErrorOperationAborted, 995,                                                                \
    "The I/O operation has been aborted because of either a thread exit or an application "     \
    "request.")                                                                                 \
  X(kErrorBadDb, 1009, "The configuration registry database is corrupt.")                       \
  X(kErrorBadKey, 1010, "The configuration registry key is invalid.")                           \
  X(kErrorCantOpen, 1011, "The configuration registry key could not be opened.")                \
  X(kErrorCantRead, 1012, "The configuration registry key could not be read.")                  \
  X(kErrorCantWrite, 1013, "The configuration registry key could not be written.")              \
  X(kErrorRegistryIoFailed, 1016, nullptr)                                                      \
  X(kErrorKeyDeleted, 1018,                                                                     \
    "Illegal operation attempted on a registry key that has been marked for deletion.")         \
  X(kErrorServiceDoesNotExist, 1060,                                                            \
    "The specified service does not exist as an installed service.")                            \
  X(kErrorServiceExists, 1073, "The specified service already exists.")                         \
  X(kErrorIoDevice, 1117, "The request could not be performed because of an I/O device error.") \
  X(kErrorNotFound, 1168, "Element not found.")                                                 \
  X(kErrorExtendedError, 1208, "An extended error has occurred.")                               \
  X(kErrorCancelled, 1223, "The operation was canceled by the user.")                           \
  X(kErrorPrivilegeNotHeld, 1314,                                                               \
    "A required privilege is not held by the client. ICMP needs a group listed in "             \
    "net.ipv4.ping_group_range or the cap_net_raw capability.")                                 \
  X(kErrorTimeout, 1460, "This operation returned because the timeout period expired.")         \
  X(kErrorResourceTypeNotFound, 1813,                                                           \
    "The specified resource type cannot be found in the image file.")

// Winsock error codes (WSAGetLastError, getaddrinfo on Windows).
#define TAVRO_WINSOCK_ERROR_CODES(X)                                                               \
  X(kWsaEIntr, 10004, "A blocking operation was interrupted by a call to WSACancelBlockingCall.")  \
  X(kWsaEBadF, 10009, "The file handle supplied is not valid.")                                    \
  X(kWsaEAcces, 10013,                                                                             \
    "An attempt was made to access a socket in a way forbidden by its access permissions.")        \
  X(kWsaEFault, 10014,                                                                             \
    "The system detected an invalid pointer address in attempting to use a pointer argument in "   \
    "a call.")                                                                                     \
  X(kWsaEInval, 10022, "An invalid argument was supplied.")                                        \
  X(kWsaEMFile, 10024, "Too many open sockets.")                                                   \
  X(kWsaEWouldBlock, 10035, "A non-blocking socket operation could not be completed immediately.") \
  X(kWsaEInProgress, 10036, "A blocking operation is currently executing.")                        \
  X(kWsaEAlready, 10037,                                                                           \
    "An operation was attempted on a non-blocking socket that already had an operation in "        \
    "progress.")                                                                                   \
  X(kWsaENotSock, 10038, "An operation was attempted on something that is not a socket.")          \
  X(kWsaEDestAddrReq, 10039, "A required address was omitted from an operation on a socket.")      \
  X(kWsaEMsgSize, 10040,                                                                           \
    "A message sent on a datagram socket was larger than the internal message buffer or some "     \
    "other network limit, or the buffer used to receive a datagram into was smaller than the "     \
    "datagram itself.")                                                                            \
  X(kWsaEProtoType, 10041,                                                                         \
    "A protocol was specified in the socket function call that does not support the semantics "    \
    "of the socket type requested.")                                                               \
  X(kWsaENoProtoOpt, 10042,                                                                        \
    "An unknown, invalid, or unsupported option or level was specified in a getsockopt or "        \
    "setsockopt call.")                                                                            \
  X(kWsaEProtoNoSupport, 10043,                                                                    \
    "The requested protocol has not been configured into the system, or no implementation for "    \
    "it exists.")                                                                                  \
  X(kWsaESocktNoSupport, 10044,                                                                    \
    "The support for the specified socket type does not exist in this address family.")            \
  X(kWsaEOpNotSupp, 10045,                                                                         \
    "The attempted operation is not supported for the type of object referenced.")                 \
  X(kWsaEPfNoSupport, 10046,                                                                       \
    "The protocol family has not been configured into the system or no implementation for it "     \
    "exists.")                                                                                     \
  X(kWsaEAfNoSupport, 10047, "An address incompatible with the requested protocol was used.")      \
  X(kWsaEAddrInUse, 10048,                                                                         \
    "Only one usage of each socket address (protocol/network address/port) is normally "           \
    "permitted.")                                                                                  \
  X(kWsaEAddrNotAvail, 10049, "The requested address is not valid in its context.")                \
  X(kWsaENetDown, 10050, "A socket operation encountered a dead network.")                         \
  X(kWsaENetUnreach, 10051, "A socket operation was attempted to an unreachable network.")         \
  X(kWsaENetReset, 10052,                                                                          \
    "The connection has been broken due to keep-alive activity detecting a failure while the "     \
    "operation was in progress.")                                                                  \
  X(kWsaEConnAborted, 10053,                                                                       \
    "An established connection was aborted by the software in your host machine.")                 \
  X(kWsaEConnReset, 10054, "An existing connection was forcibly closed by the remote host.")       \
  X(kWsaENoBufs, 10055,                                                                            \
    "An operation on a socket could not be performed because the system lacked sufficient "        \
    "buffer space or because a queue was full.")                                                   \
  X(kWsaEIsConn, 10056, "A connect request was made on an already connected socket.")              \
  X(kWsaENotConn, 10057,                                                                           \
    "A request to send or receive data was disallowed because the socket is not connected and "    \
    "(when sending on a datagram socket using a sendto call) no address was supplied.")            \
  X(kWsaEShutdown, 10058,                                                                          \
    "A request to send or receive data was disallowed because the socket had already been shut "   \
    "down in that direction with a previous shutdown call.")                                       \
  X(kWsaETooManyRefs, 10059, "Too many references to some kernel object.")                         \
  X(kWsaETimedOut, 10060,                                                                          \
    "A connection attempt failed because the connected party did not properly respond after a "    \
    "period of time, or established connection failed because connected host has failed to "       \
    "respond.")                                                                                    \
  X(kWsaEConnRefused, 10061,                                                                       \
    "No connection could be made because the target machine actively refused it.")                 \
  X(kWsaELoop, 10062, "Cannot translate name.")                                                    \
  X(kWsaENameTooLong, 10063, "Name component or name was too long.")                               \
  X(kWsaEHostDown, 10064, "A socket operation failed because the destination host was down.")      \
  X(kWsaEHostUnreach, 10065, "A socket operation was attempted to an unreachable host.")           \
  X(kWsaENotEmpty, 10066, "Cannot remove a directory that is not empty.")                          \
  X(kWsaEProcLim, 10067,                                                                           \
    "A Windows Sockets implementation may have a limit on the number of applications that may "    \
    "use it simultaneously.")                                                                      \
  X(kWsaEUsers, 10068, "Ran out of quota.")                                                        \
  X(kWsaEDQuot, 10069, "Ran out of disk quota.")                                                   \
  X(kWsaEStale, 10070, "File handle reference is no longer available.")                            \
  X(kWsaERemote, 10071, "Item is not available locally.")                                          \
  X(kWsaSysNotReady, 10091,                                                                        \
    "WSAStartup cannot function at this time because the underlying system it uses to provide "    \
    "network services is currently unavailable.")                                                  \
  X(kWsaVerNotSupported, 10092, "The Windows Sockets version requested is not supported.")         \
  X(kWsaNotInitialised, 10093,                                                                     \
    "Either the application has not called WSAStartup, or WSAStartup failed.")                     \
  X(kWsaEDiscon, 10101,                                                                            \
    "Returned by WSARecv or WSARecvFrom to indicate the remote party has initiated a graceful "    \
    "shutdown sequence.")                                                                          \
  X(kWsaENoMore, 10102, "No more results can be returned by WSALookupServiceNext.")                \
  X(kWsaECancelled, 10103,                                                                         \
    "A call to WSALookupServiceEnd was made while this call was still processing. The call has "   \
    "been canceled.")                                                                              \
  X(kWsaEInvalidProcTable, 10104, "The procedure call table is invalid.")                          \
  X(kWsaEInvalidProvider, 10105, "The requested service provider is invalid.")                     \
  X(kWsaEProviderFailedInit, 10106,                                                                \
    "The requested service provider could not be loaded or initialized.")                          \
  X(kWsaSysCallFailure, 10107, "A system call that should never fail has failed.")                 \
  X(kWsaServiceNotFound, 10108,                                                                    \
    "No such service is known. The service cannot be found in the specified name space.")          \
  X(kWsaTypeNotFound, 10109, "The specified class was not found.")                                 \
  X(kWsaENoMoreResults, 10110, "No more results can be returned by WSALookupServiceNext.")         \
  X(kWsaECancelledLookup, 10111,                                                                   \
    "A call to WSALookupServiceEnd was made while this call was still processing. The call has "   \
    "been canceled.")                                                                              \
  X(kWsaERefused, 10112, "A database query failed because it was actively refused.")               \
  X(kWsaHostNotFound, 11001, "No such host is known.")                                             \
  X(kWsaTryAgain, 11002,                                                                           \
    "This is usually a temporary error during hostname resolution and means that the local "       \
    "server did not receive a response from an authoritative server.")                             \
  X(kWsaNoRecovery, 11003, "A non-recoverable error occurred during a database lookup.")           \
  X(kWsaNoData, 11004,                                                                             \
    "The requested name is valid, but no data of the requested type was found.")                   \
  X(kWsaQosReceivers, 11005, "At least one reserve has arrived.")                                  \
  X(kWsaQosSenders, 11006, "At least one path has arrived.")                                       \
  X(kWsaQosNoSenders, 11007, "There are no senders.")                                              \
  X(kWsaQosNoReceivers, 11008, "There are no receivers.")                                          \
  X(kWsaQosRequestConfirmed, 11009, "Reserve has been confirmed.")                                 \
  X(kWsaQosAdmissionFailure, 11010, "Error due to lack of resources.")                             \
  X(kWsaQosPolicyFailure, 11011, "Rejected for administrative reasons - bad credentials.")         \
  X(kWsaQosBadStyle, 11012, "Unknown or conflicting style.")                                       \
  X(kWsaQosBadObject, 11013,                                                                       \
    "Problem with some part of the filterspec or providerspecific buffer in general.")             \
  X(kWsaQosTrafficCtrlError, 11014, "Problem with some part of the flowspec.")                     \
  X(kWsaQosGenericError, 11015, "General QOS error.")                                              \
  X(kWsaQosEServiceType, 11016,                                                                    \
    "An invalid or unrecognized service type was found in the flowspec.")                          \
  X(kWsaQosEFlowSpec, 11017,                                                                       \
    "An invalid or inconsistent flowspec was found in the QOS structure.")                         \
  X(kWsaQosEProvSpecBuf, 11018, "Invalid QOS provider-specific buffer.")

// IP_STATUS codes of an ICMP echo call, with their documented meaning. They
// share numbers with Winsock codes (11001 is also "host not found"), so they
// live in a namespace of their own.
#define TAVRO_IP_STATUS_CODES(X)                                                             \
  X(kSuccess, 0, "The status was success")                                                   \
  X(kBufferTooSmall, 11001, "The reply buffer was too small")                                \
  X(kNetUnreachable, 11002, "The destination network was unreachable")                       \
  X(kHostUnreachable, 11003, "The destination host was unreachable")                         \
  X(kProtocolUnreachable, 11004, "The destination protocol was unreachable")                 \
  X(kPortUnreachable, 11005, "The destination port was unreachable")                         \
  X(kNoResources, 11006, "Insufficient IP resources were available")                         \
  X(kBadOption, 11007, "A bad IP option was specified")                                      \
  X(kHardwareError, 11008, "A hardware error occurred")                                      \
  X(kPacketTooBig, 11009, "The packet was too big")                                          \
  X(kTimedOut, 11010, "The request timed out")                                               \
  X(kBadRequest, 11011, "A bad request")                                                     \
  X(kBadRoute, 11012, "A bad route")                                                         \
  X(kTtlExpiredTransit, 11013, "The time to live (TTL) expired in transit")                  \
  X(kTtlExpiredReassembly, 11014, "The time to live expired during fragment reassembly")     \
  X(kParameterProblem, 11015, "A parameter problem")                                         \
  X(kSourceQuench, 11016,                                                                    \
    "Datagrams are arriving too fast to be processed and datagrams may have been discarded") \
  X(kOptionTooBig, 11017, "An IP option was too big")                                        \
  X(kBadDestination, 11018, "A bad destination")                                             \
  X(kGeneralFailure, 11050,                                                                  \
    "A general failure. This error can be returned for some malformed ICMP packets")

namespace velmora::platform {

#define TAVRO_SYSTEM_CODE(name, number, text) constexpr uint32_t name = number;
TAVRO_SYSTEM_ERROR_CODES(TAVRO_SYSTEM_CODE)
#undef TAVRO_SYSTEM_CODE

#define TAVRO_WINSOCK_CODE(name, number, text) constexpr int name = number;
TAVRO_WINSOCK_ERROR_CODES(TAVRO_WINSOCK_CODE)
#undef TAVRO_WINSOCK_CODE

namespace icmp {
#define TAVRO_IP_STATUS_CODE(name, number, text) constexpr uint32_t name = number;
TAVRO_IP_STATUS_CODES(TAVRO_IP_STATUS_CODE)
#undef TAVRO_IP_STATUS_CODE
}  // namespace icmp

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_ERROR_CODES_H_
