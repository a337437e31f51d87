#include "components/frame/winsock_text.h"

#include "components/frame/result_codes.h"

namespace velmora::components {

// Code and text together, in the order the table is searched.
#define VELMORA_WINSOCK_TEXTS(X)                                                \
  X(10004, "Interrupted system call")                                           \
  X(10009, "Bad file number")                                                   \
  X(10013, "Access denied")                                                     \
  X(10014, "Bad address")                                                       \
  X(10022, "Invalid argument")                                                  \
  X(10024, "Too many open files")                                               \
  X(10035, "Operation would block")                                             \
  X(10036, "Operation now in progress")                                         \
  X(10037, "Operation already in progress")                                     \
  X(10038, "Socket operation on non-socket")                                    \
  X(10039, "Destination address required")                                      \
  X(10040, "Message too long")                                                  \
  X(10041, "Protocol wrong type for socket")                                    \
  X(10042, "Bad protocol option")                                               \
  X(10043, "Protocol not supported")                                            \
  X(10044, "Socket type not supported")                                         \
  X(10045, "Operation not supported on socket")                                 \
  X(10046, "Protocol family not supported")                                     \
  X(10047, "Address family not supported by protocol family")                   \
  X(10048, "Address already in use")                                            \
  X(10049, "Can't assign requested address")                                    \
  X(10050, "Network is down")                                                   \
  X(10051, "Network is unreachable")                                            \
  X(10052, "Net dropped connection or reset")                                   \
  X(10053, "Software caused connection abort")                                  \
  X(10054, "Connection reset by peer")                                          \
  X(10055, "No buffer space available")                                         \
  X(10056, "Socket is already connected")                                       \
  X(10057, "Socket is not connected")                                           \
  X(10058, "Can't send after socket shutdown")                                  \
  X(10059, "Too many references, can't splice")                                 \
  X(10060, "Connection timed out")                                              \
  X(10061, "Connection refused")                                                \
  X(10062, "Too many levels of symbolic links")                                 \
  X(10063, "File name too long")                                                \
  X(10064, "Host is down")                                                      \
  X(10065, "No route to host")                                                  \
  X(10066, "Directory not empt")                                                \
  X(10067, "Too many processes")                                                \
  X(10068, "Too many users")                                                    \
  X(10069, "Disc Quota Exceeded")                                               \
  X(10070, "Stale NFS file handle")                                             \
  X(10071, "Too many levels of remote in path")                                 \
  X(10091, "Network subsystem is unavailable")                                  \
  X(10092, "WINSOCK DLL Version out of range")                                  \
  X(10093, "Winsock not loaded yet (WSANOTINITIALISED)")                        \
  X(11001, "Host not found")                                                    \
  X(11002, "Non-authoritative 'Host not found' (try again or check DNS setup)") \
  X(11003, "Non-recoverable errors: FORMERR, REFUSED, NOTIMP")                  \
  X(11004, "Valid name, no data record (check DNS setup)")

const char* winsockErrorText(int code) {
  switch (code) {
#define VELMORA_WINSOCK_CASE(number, text) \
  case number:                             \
    return text;
    VELMORA_WINSOCK_TEXTS(VELMORA_WINSOCK_CASE)
#undef VELMORA_WINSOCK_CASE
    default:
      return nullptr;
  }
}

std::string describeWinsockError(int code) {
  const char* text = winsockErrorText(code);
  return "[" + std::to_string(code) + "] " + (text ? text : "(no description available)");
}

std::string completionText(int code) {
  if (code == kWaitEnded) return "Interrupted.";
  if (code == kOutOfMemory) return "Out of memory.";
  return describeWinsockError(code);
}

}  // namespace velmora::components
