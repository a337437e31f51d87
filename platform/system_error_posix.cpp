#include "platform/system_error.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

#include "platform/error_codes.h"
#include "platform/system_error_posix.h"

namespace velmora::platform {

namespace {

struct MessageEntry {
  uint32_t code;
  const char* text;
};

// The English texts Windows shows for the codes this program can meet.
#define TAVRO_MESSAGE_ENTRY(name, number, text) {static_cast<uint32_t>(number), text},
constexpr MessageEntry kMessages[] = {TAVRO_SYSTEM_ERROR_CODES(TAVRO_MESSAGE_ENTRY)
                                          TAVRO_WINSOCK_ERROR_CODES(TAVRO_MESSAGE_ENTRY)};
#undef TAVRO_MESSAGE_ENTRY

// The one errno table: an errno value, the code Winsock reports for the
// same failure of a socket call (kUnmappedErrno where sockets never meet
// it), and the code a Windows file or registry call reports (kIo where
// files never meet it). EAGAIN is handled apart, as it may equal
// EWOULDBLOCK.
#define TAVRO_ERRNO_MAP(X)                                 \
  X(EINTR, kWsaEIntr, kIo)                                 \
  X(EPERM, kWsaEAcces, kErrorAccessDenied)                 \
  X(EACCES, kWsaEAcces, kErrorAccessDenied)                \
  X(EFAULT, kWsaEFault, kIo)                               \
  X(EINVAL, kWsaEInval, kErrorInvalidParameter)            \
  X(EMFILE, kWsaEMFile, kErrorTooManyOpenFiles)            \
  X(EWOULDBLOCK, kWsaEWouldBlock, kIo)                     \
  X(EINPROGRESS, kWsaEInProgress, kIo)                     \
  X(EALREADY, kWsaEAlready, kIo)                           \
  X(EBADF, kWsaENotSock, kErrorInvalidHandle)              \
  X(ENOTSOCK, kWsaENotSock, kIo)                           \
  X(EDESTADDRREQ, kWsaEDestAddrReq, kIo)                   \
  X(EMSGSIZE, kWsaEMsgSize, kIo)                           \
  X(EPROTOTYPE, kWsaEProtoType, kIo)                       \
  X(ENOPROTOOPT, kWsaENoProtoOpt, kIo)                     \
  X(EPROTONOSUPPORT, kWsaEProtoNoSupport, kIo)             \
  X(ESOCKTNOSUPPORT, kWsaESocktNoSupport, kIo)             \
  X(EOPNOTSUPP, kWsaEOpNotSupp, kErrorNotSupported)        \
  X(EPFNOSUPPORT, kWsaEPfNoSupport, kIo)                   \
  X(EAFNOSUPPORT, kWsaEAfNoSupport, kIo)                   \
  X(EADDRINUSE, kWsaEAddrInUse, kIo)                       \
  X(EADDRNOTAVAIL, kWsaEAddrNotAvail, kIo)                 \
  X(ENETDOWN, kWsaENetDown, kIo)                           \
  X(ENETUNREACH, kWsaENetUnreach, kIo)                     \
  X(ENETRESET, kWsaENetReset, kIo)                         \
  X(ECONNABORTED, kWsaEConnAborted, kIo)                   \
  X(EPIPE, kWsaEConnReset, kIo)                            \
  X(ECONNRESET, kWsaEConnReset, kIo)                       \
  X(ENOBUFS, kWsaENoBufs, kErrorNotEnoughMemory)           \
  X(EISCONN, kWsaEIsConn, kIo)                             \
  X(ENOTCONN, kWsaENotConn, kIo)                           \
  X(ESHUTDOWN, kWsaEShutdown, kIo)                         \
  X(ETIMEDOUT, kWsaETimedOut, kErrorTimeout)               \
  X(ECONNREFUSED, kWsaEConnRefused, kIo)                   \
  X(ELOOP, kWsaELoop, kIo)                                 \
  X(ENAMETOOLONG, kWsaENameTooLong, kErrorFilenameTooLong) \
  X(EHOSTDOWN, kWsaEHostDown, kIo)                         \
  X(EHOSTUNREACH, kWsaEHostUnreach, kIo)                   \
  X(ENOTEMPTY, kWsaENotEmpty, kErrorDirNotEmpty)           \
  X(ENOMEM, kErrorNotEnoughMemory, kErrorNotEnoughMemory)  \
  X(ENOENT, kErrorFileNotFound, kErrorFileNotFound)        \
  X(ENOTDIR, kUnmappedErrno, kErrorPathNotFound)           \
  X(EEXIST, kUnmappedErrno, kErrorAlreadyExists)           \
  X(EISDIR, kUnmappedErrno, kErrorAccessDenied)            \
  X(EROFS, kUnmappedErrno, kErrorAccessDenied)             \
  X(ENOSPC, kUnmappedErrno, kErrorDiskFull)                \
  X(EDQUOT, kUnmappedErrno, kErrorDiskFull)                \
  X(EIO, kUnmappedErrno, kErrorIoDevice)

constexpr int kUnmappedErrno = kWsaEOpNotSupp;
constexpr uint32_t kIo = kErrorIoDevice;

// The one getaddrinfo table: EAI results and the codes Windows' getaddrinfo
// gives instead (its EAI_* names are these Winsock codes).
#define TAVRO_EAI_MAP(X)               \
  X(EAI_NONAME, kWsaHostNotFound)      \
  X(EAI_AGAIN, kWsaTryAgain)           \
  X(EAI_FAIL, kWsaNoRecovery)          \
  X(EAI_BADFLAGS, kWsaEInval)          \
  X(EAI_FAMILY, kWsaEAfNoSupport)      \
  X(EAI_MEMORY, kErrorNotEnoughMemory) \
  X(EAI_SERVICE, kWsaTypeNotFound)     \
  X(EAI_SOCKTYPE, kWsaESocktNoSupport) \
  TAVRO_EAI_GLIBC(X)

// glibc's extensions: a name without addresses (of the asked family);
// Windows folds both into "no such host".
#if defined(EAI_NODATA) && defined(EAI_ADDRFAMILY)
#define TAVRO_EAI_GLIBC(X) X(EAI_NODATA, kWsaHostNotFound) X(EAI_ADDRFAMILY, kWsaHostNotFound)
#elif defined(EAI_NODATA)
#define TAVRO_EAI_GLIBC(X) X(EAI_NODATA, kWsaHostNotFound)
#else
#define TAVRO_EAI_GLIBC(X)
#endif

// One entry of the tables above: a POSIX value and the Windows code for the
// same outcome (and for errno, the code of a file call apart).
struct Translation {
  int posixValue;
  int code;
};

struct ErrnoTranslation {
  int posixValue;
  int code;
  uint32_t fileCode;
};

#define TAVRO_ERRNO_ENTRY(posixValue, code, fileCode) \
  {posixValue, static_cast<int>(code), static_cast<uint32_t>(fileCode)},
#define TAVRO_EAI_ENTRY(posixValue, code) {posixValue, static_cast<int>(code)},
constexpr ErrnoTranslation kErrnoMap[] = {TAVRO_ERRNO_MAP(TAVRO_ERRNO_ENTRY)};
constexpr Translation kEaiMap[] = {TAVRO_EAI_MAP(TAVRO_EAI_ENTRY)};
#undef TAVRO_ERRNO_ENTRY
#undef TAVRO_EAI_ENTRY

template <typename Entry, size_t N>
const Entry* find(const Entry (&table)[N], int posixValue) {
  for (const Entry& entry : table) {
    if (entry.posixValue == posixValue) return &entry;
  }
  return nullptr;
}

// For resolver results we cannot classify.
constexpr int kUnknownResolverError = kWsaNoRecovery;

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
  if (errnoValue == EAGAIN) return static_cast<uint32_t>(kWsaEWouldBlock);
  const ErrnoTranslation* entry = find(kErrnoMap, errnoValue);
  return static_cast<uint32_t>(entry != nullptr ? entry->code : kUnmappedErrno);
}

uint32_t fileErrorFromErrno(int errnoValue) {
  const ErrnoTranslation* entry = find(kErrnoMap, errnoValue);
  return entry != nullptr ? entry->fileCode : kIo;
}

int winsockCodeFromErrno(int errnoValue) {
  // Winsock reports a socket call without memory as "no buffer space".
  if (errnoValue == ENOMEM) return kWsaENoBufs;
  return static_cast<int>(windowsErrorFromErrno(errnoValue));
}

int winsockCodeFromEai(int eai, int savedErrno) {
  if (eai == EAI_SYSTEM) return static_cast<int>(windowsErrorFromErrno(savedErrno));
  const Translation* entry = find(kEaiMap, eai);
  return entry != nullptr ? entry->code : kUnknownResolverError;
}

uint32_t lastSystemError() { return errno == 0 ? 0 : windowsErrorFromErrno(errno); }

bool networkProviderError(std::string* /*description*/, std::string* /*provider*/) { return false; }

}  // namespace velmora::platform
