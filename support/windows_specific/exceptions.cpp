#include "support/windows_specific/exceptions.h"

#include <cstdio>

#include "platform/error_codes.h"
#include "platform/system_error.h"

namespace velmora::windows_specific {

namespace {

constexpr int32_t kServiceDoesNotExist = platform::kErrorServiceDoesNotExist;
constexpr int32_t kServiceExists = platform::kErrorServiceExists;
constexpr int32_t kExtendedError = platform::kErrorExtendedError;
constexpr size_t kDescriptionBufferSize = 512;

}  // namespace

std::string win32ExceptionMessage(int32_t code) {
  std::string message;
  std::string description;
  if (code == kExtendedError) {
    // The real reason of an extended error lies with the network provider
    // that reported it, not with the system's message table.
    std::string provider;
    platform::networkProviderError(&description, &provider);
    message = provider + ": ";
  } else {
    if (!platform::systemMessageText(static_cast<uint32_t>(code), true, kDescriptionBufferSize,
                                     &description)) {
      description.clear();
    }
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "(0x%x)", static_cast<unsigned>(code));
  return message + description + hex;
}

ExceptionWin32Wrapper::ExceptionWin32Wrapper(int32_t code)
    : ExceptionWin32Wrapper(code, WithoutMapping{}) {
  if (code == kServiceDoesNotExist) throw ExceptionWin32ServiceDoesNotExist();
  if (code == kServiceExists) throw ExceptionWin32ServiceExists();
}

ExceptionWin32Wrapper::ExceptionWin32Wrapper(int32_t code, WithoutMapping)
    : ExceptionWindows(win32ExceptionMessage(code)),
      code_(code),
      message_(ExceptionWindows::what()) {}

ExceptionWin32ServiceDoesNotExist::ExceptionWin32ServiceDoesNotExist()
    : ExceptionWin32Wrapper(kServiceDoesNotExist, WithoutMapping{}) {}

ExceptionWin32ServiceExists::ExceptionWin32ServiceExists()
    : ExceptionWin32Wrapper(kServiceExists, WithoutMapping{}) {}

}  // namespace velmora::windows_specific
