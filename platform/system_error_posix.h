#ifndef TAVRO_PLATFORM_SYSTEM_ERROR_POSIX_H_
#define TAVRO_PLATFORM_SYSTEM_ERROR_POSIX_H_

#include <cstdint>

namespace velmora::platform {

/// The Windows/Winsock code for a POSIX errno value (EACCES 10013,
/// ECONNREFUSED 10061, ENOMEM 8, ...); 10045 for values without a
/// counterpart. Only the POSIX backends use this, at their boundary.
uint32_t windowsErrorFromErrno(int errnoValue);

/// The Windows code ICMP echo reports when neither kind of ICMP socket may
/// be opened; its text tells the user how to grant the permission.
constexpr uint32_t kIcmpPermissionError = 1314;

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SYSTEM_ERROR_POSIX_H_
