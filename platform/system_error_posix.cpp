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

// The one errno table: errno values and the codes Windows reports for the
// same failure. EAGAIN is handled apart, as it may equal EWOULDBLOCK.
#define TAVRO_ERRNO_MAP(X)                \
  X(EINTR, kWsaEIntr)                     \
  X(EPERM, kWsaEAcces)                    \
  X(EACCES, kWsaEAcces)                   \
  X(EFAULT, kWsaEFault)                   \
  X(EINVAL, kWsaEInval)                   \
  X(EMFILE, kWsaEMFile)                   \
  X(EWOULDBLOCK, kWsaEWouldBlock)         \
  X(EINPROGRESS, kWsaEInProgress)         \
  X(EALREADY, kWsaEAlready)               \
  X(EBADF, kWsaENotSock)                  \
  X(ENOTSOCK, kWsaENotSock)               \
  X(EDESTADDRREQ, kWsaEDestAddrReq)       \
  X(EMSGSIZE, kWsaEMsgSize)               \
  X(EPROTOTYPE, kWsaEProtoType)           \
  X(ENOPROTOOPT, kWsaENoProtoOpt)         \
  X(EPROTONOSUPPORT, kWsaEProtoNoSupport) \
  X(ESOCKTNOSUPPORT, kWsaESocktNoSupport) \
  X(EOPNOTSUPP, kWsaEOpNotSupp)           \
  X(EPFNOSUPPORT, kWsaEPfNoSupport)       \
  X(EAFNOSUPPORT, kWsaEAfNoSupport)       \
  X(EADDRINUSE, kWsaEAddrInUse)           \
  X(EADDRNOTAVAIL, kWsaEAddrNotAvail)     \
  X(ENETDOWN, kWsaENetDown)               \
  X(ENETUNREACH, kWsaENetUnreach)         \
  X(ENETRESET, kWsaENetReset)             \
  X(ECONNABORTED, kWsaEConnAborted)       \
  X(EPIPE, kWsaEConnReset)                \
  X(ECONNRESET, kWsaEConnReset)           \
  X(ENOBUFS, kWsaENoBufs)                 \
  X(EISCONN, kWsaEIsConn)                 \
  X(ENOTCONN, kWsaENotConn)               \
  X(ESHUTDOWN, kWsaEShutdown)             \
  X(ETIMEDOUT, kWsaETimedOut)             \
  X(ECONNREFUSED, kWsaEConnRefused)       \
  X(ELOOP, kWsaELoop)                     \
  X(ENAMETOOLONG, kWsaENameTooLong)       \
  X(EHOSTDOWN, kWsaEHostDown)             \
  X(EHOSTUNREACH, kWsaEHostUnreach)       \
  X(ENOTEMPTY, kWsaENotEmpty)             \
  X(ENOMEM, kErrorNotEnoughMemory)        \
  X(ENOENT, kErrorFileNotFound)

constexpr int kUnmappedErrno = kWsaEOpNotSupp;

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
// same outcome.
struct Translation {
  int posixValue;
  int code;
};

#define TAVRO_TRANSLATION(posixValue, code) {posixValue, static_cast<int>(code)},
constexpr Translation kErrnoMap[] = {TAVRO_ERRNO_MAP(TAVRO_TRANSLATION)};
constexpr Translation kEaiMap[] = {TAVRO_EAI_MAP(TAVRO_TRANSLATION)};
#undef TAVRO_TRANSLATION

template <size_t N>
int translate(const Translation (&table)[N], int posixValue, int fallback) {
  for (const Translation& entry : table) {
    if (entry.posixValue == posixValue) return entry.code;
  }
  return fallback;
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
  return static_cast<uint32_t>(translate(kErrnoMap, errnoValue, kUnmappedErrno));
}

int winsockCodeFromErrno(int errnoValue) {
  // Winsock reports a socket call without memory as "no buffer space".
  if (errnoValue == ENOMEM) return kWsaENoBufs;
  return static_cast<int>(windowsErrorFromErrno(errnoValue));
}

int winsockCodeFromEai(int eai, int savedErrno) {
  if (eai == EAI_SYSTEM) return static_cast<int>(windowsErrorFromErrno(savedErrno));
  return translate(kEaiMap, eai, kUnknownResolverError);
}

uint32_t lastSystemError() { return errno == 0 ? 0 : windowsErrorFromErrno(errno); }

bool networkProviderError(std::string* /*description*/, std::string* /*provider*/) { return false; }

}  // namespace velmora::platform
