#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

#include "platform/system_error_posix.h"

namespace velmora::platform {

namespace {

// The English texts Windows shows for the codes this program can meet, as
// FormatMessage returns them without their final line break.
#define TAVRO_WINDOWS_MESSAGES(X)                                                                \
  X(0, "The operation completed successfully.")                                                  \
  X(1, "Incorrect function.")                                                                    \
  X(2, "The system cannot find the file specified.")                                             \
  X(3, "The system cannot find the path specified.")                                             \
  X(4, "The system cannot open the file.")                                                       \
  X(5, "Access is denied.")                                                                      \
  X(6, "The handle is invalid.")                                                                 \
  X(8, "Not enough memory resources are available to process this command.")                     \
  X(13, "The data is invalid.")                                                                  \
  X(14, "Not enough memory resources are available to complete this operation.")                 \
  X(32, "The process cannot access the file because it is being used by another process.")       \
  X(50, "The request is not supported.")                                                         \
  X(87, "The parameter is incorrect.")                                                           \
  X(112, "There is not enough space on the disk.")                                               \
  X(122, "The data area passed to a system call is too small.")                                  \
  X(145, "The directory is not empty.")                                                          \
  X(183, "Cannot create a file when that file already exists.")                                  \
  X(232, "The pipe is being closed.")                                                            \
  X(234, "More data is available.")                                                              \
  X(259, "No more data is available.")                                                           \
  X(995,                                                                                         \
    "The I/O operation has been aborted because of either a thread exit or an application "      \
    "request.")                                                                                  \
  X(1009, "The configuration registry database is corrupt.")                                     \
  X(1010, "The configuration registry key is invalid.")                                          \
  X(1011, "The configuration registry key could not be opened.")                                 \
  X(1012, "The configuration registry key could not be read.")                                   \
  X(1013, "The configuration registry key could not be written.")                                \
  X(1018, "Illegal operation attempted on a registry key that has been marked for deletion.")    \
  X(1060, "The specified service does not exist as an installed service.")                       \
  X(1073, "The specified service already exists.")                                               \
  X(1117, "The request could not be performed because of an I/O device error.")                  \
  X(1168, "Element not found.")                                                                  \
  X(1208, "An extended error has occurred.")                                                     \
  X(1223, "The operation was canceled by the user.")                                             \
  X(1314,                                                                                        \
    "A required privilege is not held by the client. ICMP needs a group listed in "              \
    "net.ipv4.ping_group_range or the cap_net_raw capability.")                                  \
  X(1460, "This operation returned because the timeout period expired.")                         \
  X(1813, "The specified resource type cannot be found in the image file.")                      \
  X(10004, "A blocking operation was interrupted by a call to WSACancelBlockingCall.")           \
  X(10009, "The file handle supplied is not valid.")                                             \
  X(10013,                                                                                       \
    "An attempt was made to access a socket in a way forbidden by its access "                   \
    "permissions.")                                                                              \
  X(10014,                                                                                       \
    "The system detected an invalid pointer address in attempting to use a pointer "             \
    "argument in a call.")                                                                       \
  X(10022, "An invalid argument was supplied.")                                                  \
  X(10024, "Too many open sockets.")                                                             \
  X(10035, "A non-blocking socket operation could not be completed immediately.")                \
  X(10036, "A blocking operation is currently executing.")                                       \
  X(10037,                                                                                       \
    "An operation was attempted on a non-blocking socket that already had an operation "         \
    "in progress.")                                                                              \
  X(10038, "An operation was attempted on something that is not a socket.")                      \
  X(10039, "A required address was omitted from an operation on a socket.")                      \
  X(10040,                                                                                       \
    "A message sent on a datagram socket was larger than the internal message buffer or "        \
    "some other network limit, or the buffer used to receive a datagram into was smaller "       \
    "than the datagram itself.")                                                                 \
  X(10041,                                                                                       \
    "A protocol was specified in the socket function call that does not support the "            \
    "semantics of the socket type requested.")                                                   \
  X(10042,                                                                                       \
    "An unknown, invalid, or unsupported option or level was specified in a getsockopt "         \
    "or setsockopt call.")                                                                       \
  X(10043,                                                                                       \
    "The requested protocol has not been configured into the system, or no "                     \
    "implementation for it exists.")                                                             \
  X(10044, "The support for the specified socket type does not exist in this address family.")   \
  X(10045, "The attempted operation is not supported for the type of object referenced.")        \
  X(10046,                                                                                       \
    "The protocol family has not been configured into the system or no implementation "          \
    "for it exists.")                                                                            \
  X(10047, "An address incompatible with the requested protocol was used.")                      \
  X(10048,                                                                                       \
    "Only one usage of each socket address (protocol/network address/port) is normally "         \
    "permitted.")                                                                                \
  X(10049, "The requested address is not valid in its context.")                                 \
  X(10050, "A socket operation encountered a dead network.")                                     \
  X(10051, "A socket operation was attempted to an unreachable network.")                        \
  X(10052,                                                                                       \
    "The connection has been broken due to keep-alive activity detecting a failure while "       \
    "the operation was in progress.")                                                            \
  X(10053, "An established connection was aborted by the software in your host machine.")        \
  X(10054, "An existing connection was forcibly closed by the remote host.")                     \
  X(10055,                                                                                       \
    "An operation on a socket could not be performed because the system lacked "                 \
    "sufficient buffer space or because a queue was full.")                                      \
  X(10056, "A connect request was made on an already connected socket.")                         \
  X(10057,                                                                                       \
    "A request to send or receive data was disallowed because the socket is not "                \
    "connected and (when sending on a datagram socket using a sendto call) no address "          \
    "was supplied.")                                                                             \
  X(10058,                                                                                       \
    "A request to send or receive data was disallowed because the socket had already "           \
    "been shut down in that direction with a previous shutdown call.")                           \
  X(10059, "Too many references to some kernel object.")                                         \
  X(10060,                                                                                       \
    "A connection attempt failed because the connected party did not properly respond "          \
    "after a period of time, or established connection failed because connected host "           \
    "has failed to respond.")                                                                    \
  X(10061, "No connection could be made because the target machine actively refused it.")        \
  X(10062, "Cannot translate name.")                                                             \
  X(10063, "Name component or name was too long.")                                               \
  X(10064, "A socket operation failed because the destination host was down.")                   \
  X(10065, "A socket operation was attempted to an unreachable host.")                           \
  X(10066, "Cannot remove a directory that is not empty.")                                       \
  X(10067,                                                                                       \
    "A Windows Sockets implementation may have a limit on the number of applications "           \
    "that may use it simultaneously.")                                                           \
  X(10068, "Ran out of quota.")                                                                  \
  X(10069, "Ran out of disk quota.")                                                             \
  X(10070, "File handle reference is no longer available.")                                      \
  X(10071, "Item is not available locally.")                                                     \
  X(10091,                                                                                       \
    "WSAStartup cannot function at this time because the underlying system it uses to "          \
    "provide network services is currently unavailable.")                                        \
  X(10092, "The Windows Sockets version requested is not supported.")                            \
  X(10093, "Either the application has not called WSAStartup, or WSAStartup failed.")            \
  X(10101,                                                                                       \
    "Returned by WSARecv or WSARecvFrom to indicate the remote party has initiated a "           \
    "graceful shutdown sequence.")                                                               \
  X(10102, "No more results can be returned by WSALookupServiceNext.")                           \
  X(10103,                                                                                       \
    "A call to WSALookupServiceEnd was made while this call was still processing. The "          \
    "call has been canceled.")                                                                   \
  X(10104, "The procedure call table is invalid.")                                               \
  X(10105, "The requested service provider is invalid.")                                         \
  X(10106, "The requested service provider could not be loaded or initialized.")                 \
  X(10107, "A system call that should never fail has failed.")                                   \
  X(10108, "No such service is known. The service cannot be found in the specified name space.") \
  X(10109, "The specified class was not found.")                                                 \
  X(10110, "No more results can be returned by WSALookupServiceNext.")                           \
  X(10111,                                                                                       \
    "A call to WSALookupServiceEnd was made while this call was still processing. The "          \
    "call has been canceled.")                                                                   \
  X(10112, "A database query failed because it was actively refused.")                           \
  X(11001, "No such host is known.")                                                             \
  X(11002,                                                                                       \
    "This is usually a temporary error during hostname resolution and means that the "           \
    "local server did not receive a response from an authoritative server.")                     \
  X(11003, "A non-recoverable error occurred during a database lookup.")                         \
  X(11004, "The requested name is valid, but no data of the requested type was found.")          \
  X(11005, "At least one reserve has arrived.")                                                  \
  X(11006, "At least one path has arrived.")                                                     \
  X(11007, "There are no senders.")                                                              \
  X(11008, "There are no receivers.")                                                            \
  X(11009, "Reserve has been confirmed.")                                                        \
  X(11010, "Error due to lack of resources.")                                                    \
  X(11011, "Rejected for administrative reasons - bad credentials.")                             \
  X(11012, "Unknown or conflicting style.")                                                      \
  X(11013, "Problem with some part of the filterspec or providerspecific buffer in general.")    \
  X(11014, "Problem with some part of the flowspec.")                                            \
  X(11015, "General QOS error.")                                                                 \
  X(11016, "An invalid or unrecognized service type was found in the flowspec.")                 \
  X(11017, "An invalid or inconsistent flowspec was found in the QOS structure.")                \
  X(11018, "Invalid QOS provider-specific buffer.")

struct MessageEntry {
  uint32_t code;
  const char* text;
};

#define TAVRO_MESSAGE_ENTRY(code, text) {code, text},
constexpr MessageEntry kMessages[] = {TAVRO_WINDOWS_MESSAGES(TAVRO_MESSAGE_ENTRY)};
#undef TAVRO_MESSAGE_ENTRY

// errno values and the Winsock codes Windows reports for the same failure.
#define TAVRO_ERRNO_MAP(X)                                                                       \
  X(EINTR, 10004)                                                                                \
  X(EPERM, 10013) X(EACCES, 10013) X(EFAULT, 10014) X(EINVAL, 10022) X(EMFILE, 10024)            \
      X(EWOULDBLOCK, 10035) X(EINPROGRESS, 10036) X(EALREADY, 10037) X(EBADF, 10038)             \
          X(ENOTSOCK, 10038) X(EDESTADDRREQ, 10039) X(EMSGSIZE, 10040) X(EPROTOTYPE, 10041)      \
              X(ENOPROTOOPT, 10042) X(EPROTONOSUPPORT, 10043) X(ESOCKTNOSUPPORT, 10044)          \
                  X(EOPNOTSUPP, 10045) X(EPFNOSUPPORT, 10046) X(EAFNOSUPPORT, 10047)             \
                      X(EADDRINUSE, 10048) X(EADDRNOTAVAIL, 10049) X(ENETDOWN, 10050)            \
                          X(ENETUNREACH, 10051) X(ENETRESET, 10052) X(ECONNABORTED, 10053)       \
                              X(EPIPE, 10054) X(ECONNRESET, 10054) X(ENOBUFS, 10055)             \
                                  X(EISCONN, 10056) X(ENOTCONN, 10057) X(ESHUTDOWN, 10058)       \
                                      X(ETIMEDOUT, 10060) X(ECONNREFUSED, 10061) X(ELOOP, 10062) \
                                          X(ENAMETOOLONG, 10063) X(EHOSTDOWN, 10064)             \
                                              X(EHOSTUNREACH, 10065) X(ENOTEMPTY, 10066)         \
                                                  X(ENOMEM, 8) X(ENOENT, 2)

struct ErrnoEntry {
  int errnoValue;
  uint32_t code;
};

#define TAVRO_ERRNO_ENTRY(errnoValue, code) {errnoValue, code},
constexpr ErrnoEntry kErrnoMap[] = {TAVRO_ERRNO_MAP(TAVRO_ERRNO_ENTRY)};
#undef TAVRO_ERRNO_ENTRY

constexpr uint32_t kUnmappedErrno = 10045;

const char* findMessage(uint32_t code) {
  for (const MessageEntry& entry : kMessages) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

// An insert such as %1 needs arguments that our callers never pass.
bool hasInserts(const char* text) {
  for (const char* p = std::strchr(text, '%'); p != nullptr; p = std::strchr(p + 1, '%')) {
    if (p[1] >= '1' && p[1] <= '9') return true;
  }
  return false;
}

}  // namespace

bool systemMessageText(uint32_t code, bool ignoreInserts, size_t bufferSize, std::string* text) {
  const char* message = findMessage(code);
  if (message == nullptr || (!ignoreInserts && hasInserts(message))) return false;
  // The final line break comes out as one blank; the result and its
  // terminating zero must fit the caller's buffer.
  std::string result = std::string(message) + " ";
  if (result.size() + 1 > bufferSize) return false;
  *text = result;
  return true;
}

uint32_t windowsErrorFromErrno(int errnoValue) {
  for (const ErrnoEntry& entry : kErrnoMap) {
    if (entry.errnoValue == errnoValue) return entry.code;
  }
  return kUnmappedErrno;
}

uint32_t lastSystemError() { return errno == 0 ? 0 : windowsErrorFromErrno(errno); }

bool networkProviderError(std::string* /*description*/, std::string* /*provider*/) { return false; }

}  // namespace velmora::platform
