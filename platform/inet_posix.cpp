#include "platform/inet.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/sockaddr_convert.h"
#include "platform/system_error_posix.h"

namespace velmora::platform {

namespace {

// getaddrinfo results and the codes Windows' getaddrinfo gives instead.
#define TAVRO_EAI_MAP(X)                                                          \
  X(EAI_NONAME, 11001)                                                            \
  X(EAI_AGAIN, 11002)                                                             \
  X(EAI_FAIL, 11003) X(EAI_BADFLAGS, 10022) X(EAI_FAMILY, 10047) X(EAI_MEMORY, 8) \
      X(EAI_SERVICE, 10109) X(EAI_SOCKTYPE, 10044) TAVRO_EAI_NODATA(X)

// EAI_NODATA is a glibc extension; Windows folds it into "no such host".
#ifdef EAI_NODATA
#define TAVRO_EAI_NODATA(X) X(EAI_NODATA, 11001)
#else
#define TAVRO_EAI_NODATA(X)
#endif

struct EaiEntry {
  int eai;
  int code;
};

#define TAVRO_EAI_ENTRY(eai, code) {eai, code},
constexpr EaiEntry kEaiMap[] = {TAVRO_EAI_MAP(TAVRO_EAI_ENTRY)};
#undef TAVRO_EAI_ENTRY

// WSANO_RECOVERY, for resolver results we cannot classify.
constexpr int kUnknownResolverError = 11003;

int windowsErrorFromEai(int eai, int savedErrno) {
  if (eai == EAI_SYSTEM) return static_cast<int>(windowsErrorFromErrno(savedErrno));
  for (const EaiEntry& entry : kEaiMap) {
    if (entry.eai == eai) return entry.code;
  }
  return kUnknownResolverError;
}

}  // namespace

uint32_t inetAddr(const char* text) { return inet_addr(text); }

int getAddrInfo(const char* node, const char* service, std::vector<ResolvedAddress>* out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* result = nullptr;
  errno = 0;
  const int status = getaddrinfo(node, service, &hints, &result);
  if (status != 0) return windowsErrorFromEai(status, errno);
  out->clear();
  detail::collectAddresses(result, out);
  freeaddrinfo(result);
  return 0;
}

int socketsStartup(uint16_t* granted) {
  *granted = 0x0202;
  return 0;
}

void socketsCleanup() {}

}  // namespace velmora::platform
