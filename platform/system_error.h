#ifndef TAVRO_PLATFORM_SYSTEM_ERROR_H_
#define TAVRO_PLATFORM_SYSTEM_ERROR_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora::platform {

/// The system's message text for a Windows error code, as FormatMessageA with
/// FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK (and
/// FORMAT_MESSAGE_IGNORE_INSERTS when `ignoreInserts`), neutral language, into
/// a buffer of `bufferSize` bytes: line breaks come out as blanks, so a text
/// normally ends with one blank. Returns false when the system has no text
/// for the code (POSIX: the code is not in our table of Windows texts).
bool systemMessageText(uint32_t code, bool ignoreInserts, size_t bufferSize, std::string* text);

/// The calling thread's last system error as a Windows code (GetLastError;
/// on POSIX errno mapped to its Windows/Winsock code).
uint32_t lastSystemError();

/// WNetGetLastErrorA: the network provider's last extended error of this
/// thread (512-byte buffers; empty texts when no provider set one). False
/// when the call itself fails, and always on POSIX, which has no providers.
bool networkProviderError(std::string* description, std::string* provider);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SYSTEM_ERROR_H_
