#ifndef TAVRO_PLATFORM_CONSOLE_OUTPUT_H_
#define TAVRO_PLATFORM_CONSOLE_OUTPUT_H_

namespace velmora::platform {

/// Makes standard output and standard error pass bytes through unchanged.
/// The program writes its own line ends ("\r\n" where it wants them); a C
/// runtime in text mode would turn every "\n" into "\r\n" and so print
/// "\r\r\n". A no-op where streams are binary already (POSIX).
void useBinaryConsoleStreams();

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_CONSOLE_OUTPUT_H_
