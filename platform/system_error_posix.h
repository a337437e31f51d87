#ifndef TAVRO_PLATFORM_SYSTEM_ERROR_POSIX_H_
#define TAVRO_PLATFORM_SYSTEM_ERROR_POSIX_H_

#include <cstdint>

#include "platform/error_codes.h"

namespace velmora::platform {

/// The Windows/Winsock code for a POSIX errno value (EACCES 10013,
/// ECONNREFUSED 10061, ENOMEM 8, ENOENT 2, ...); 10045 for values without a
/// counterpart. Only the POSIX backends use this, at their boundary.
uint32_t windowsErrorFromErrno(int errnoValue);

/// The code a Windows file or registry call gives for the same failure
/// (EACCES 5, ENOSPC 112, ENOENT 2, ...); 1117 for values without a
/// counterpart. From the same table as windowsErrorFromErrno.
uint32_t fileErrorFromErrno(int errnoValue);

/// The same for a failed socket call, as Winsock reports it: a socket call
/// without memory gives 10055 ("no buffer space"), not system code 8.
int winsockCodeFromErrno(int errnoValue);

/// The code Windows' getaddrinfo gives for a POSIX getaddrinfo result
/// (EAI_NONAME 11001, EAI_AGAIN 11002, EAI_MEMORY 8, ...; EAI_SYSTEM
/// translates `savedErrno`, the errno right after the call); 11003 for
/// results without a counterpart.
int winsockCodeFromEai(int eai, int savedErrno);

/// The Windows code ICMP echo reports when neither kind of ICMP socket may
/// be opened; its text tells the user how to grant the permission.
constexpr uint32_t kIcmpPermissionError = kErrorPrivilegeNotHeld;

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SYSTEM_ERROR_POSIX_H_
