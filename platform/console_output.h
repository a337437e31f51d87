#ifndef TAVRO_PLATFORM_CONSOLE_OUTPUT_H_
#define TAVRO_PLATFORM_CONSOLE_OUTPUT_H_

#include <cstdint>
#include <string>

#include "platform/error_codes.h"

namespace velmora::platform {

/// Makes standard output and standard error pass bytes through unchanged.
/// The program writes its own line ends ("\r\n" where it wants them); a C
/// runtime in text mode would turn every "\n" into "\r\n" and so print
/// "\r\r\n". A no-op where streams are binary already (POSIX).
void useBinaryConsoleStreams();

/// Windows codes for the ways standard output can fail, the same on every
/// system: the reader of the pipe has gone, the disk is full, anything else.
constexpr uint32_t kOutputPipeClosed = kErrorNoData;
constexpr uint32_t kOutputDiskFull = kErrorDiskFull;
constexpr uint32_t kOutputDeviceError = kErrorIoDevice;

/// Writes `text` to standard output and flushes it, so that a failure is
/// seen at the line that met it. False when the system refuses the bytes,
/// with one of the codes above in `failure`.
bool writeStandardOutput(const std::string& text, uint32_t* failure);

/// Writes `text` to standard error and flushes it; failures are ignored,
/// there is nowhere left to report them.
void writeStandardError(const std::string& text);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_CONSOLE_OUTPUT_H_
