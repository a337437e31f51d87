#include "components/frame/winsock_text.h"

#include "components/frame/result_codes.h"
#include "platform/error_codes.h"

namespace velmora::components {

// The components' own short texts for the Winsock codes they report.
#define VELMORA_WINSOCK_TEXTS(X)                                                       \
  X(kWsaEIntr, "Interrupted system call")                                              \
  X(kWsaEBadF, "Bad file number")                                                      \
  X(kWsaEAcces, "Access denied")                                                       \
  X(kWsaEFault, "Bad address")                                                         \
  X(kWsaEInval, "Invalid argument")                                                    \
  X(kWsaEMFile, "Too many open files")                                                 \
  X(kWsaEWouldBlock, "Operation would block")                                          \
  X(kWsaEInProgress, "Operation now in progress")                                      \
  X(kWsaEAlready, "Operation already in progress")                                     \
  X(kWsaENotSock, "Socket operation on non-socket")                                    \
  X(kWsaEDestAddrReq, "Destination address required")                                  \
  X(kWsaEMsgSize, "Message too long")                                                  \
  X(kWsaEProtoType, "Protocol wrong type for socket")                                  \
  X(kWsaENoProtoOpt, "Bad protocol option")                                            \
  X(kWsaEProtoNoSupport, "Protocol not supported")                                     \
  X(kWsaESocktNoSupport, "Socket type not supported")                                  \
  X(kWsaEOpNotSupp, "Operation not supported on socket")                               \
  X(kWsaEPfNoSupport, "Protocol family not supported")                                 \
  X(kWsaEAfNoSupport, "Address family not supported by protocol family")               \
  X(kWsaEAddrInUse, "Address already in use")                                          \
  X(kWsaEAddrNotAvail, "Can't assign requested address")                               \
  X(kWsaENetDown, "Network is down")                                                   \
  X(kWsaENetUnreach, "Network is unreachable")                                         \
  X(kWsaENetReset, "Net dropped connection or reset")                                  \
  X(kWsaEConnAborted, "Software caused connection abort")                              \
  X(kWsaEConnReset, "Connection reset by peer")                                        \
  X(kWsaENoBufs, "No buffer space available")                                          \
  X(kWsaEIsConn, "Socket is already connected")                                        \
  X(kWsaENotConn, "Socket is not connected")                                           \
  X(kWsaEShutdown, "Can't send after socket shutdown")                                 \
  X(kWsaETooManyRefs, "Too many references, can't splice")                             \
  X(kWsaETimedOut, "Connection timed out")                                             \
  X(kWsaEConnRefused, "Connection refused")                                            \
  X(kWsaELoop, "Too many levels of symbolic links")                                    \
  X(kWsaENameTooLong, "File name too long")                                            \
  X(kWsaEHostDown, "Host is down")                                                     \
  X(kWsaEHostUnreach, "No route to host")                                              \
  X(kWsaENotEmpty, "Directory not empt")                                               \
  X(kWsaEProcLim, "Too many processes")                                                \
  X(kWsaEUsers, "Too many users")                                                      \
  X(kWsaEDQuot, "Disc Quota Exceeded")                                                 \
  X(kWsaEStale, "Stale NFS file handle")                                               \
  X(kWsaERemote, "Too many levels of remote in path")                                  \
  X(kWsaSysNotReady, "Network subsystem is unavailable")                               \
  X(kWsaVerNotSupported, "WINSOCK DLL Version out of range")                           \
  X(kWsaNotInitialised, "Winsock not loaded yet (WSANOTINITIALISED)")                  \
  X(kWsaHostNotFound, "Host not found")                                                \
  X(kWsaTryAgain, "Non-authoritative 'Host not found' (try again or check DNS setup)") \
  X(kWsaNoRecovery, "Non-recoverable errors: FORMERR, REFUSED, NOTIMP")                \
  X(kWsaNoData, "Valid name, no data record (check DNS setup)")

const char* winsockErrorText(int code) {
  switch (code) {
#define VELMORA_WINSOCK_CASE(name, text) \
  case platform::name:                   \
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
