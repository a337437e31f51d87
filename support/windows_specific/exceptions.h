#ifndef TAVRO_SUPPORT_WINDOWS_SPECIFIC_EXCEPTIONS_H_
#define TAVRO_SUPPORT_WINDOWS_SPECIFIC_EXCEPTIONS_H_

#include <cstdint>
#include <stdexcept>
#include <string>

namespace velmora::windows_specific {

/// Base of the exceptions that carry a Windows error code.
class ExceptionWindows : public std::runtime_error {
 public:
  explicit ExceptionWindows(const std::string& message) : std::runtime_error(message) {}
  ~ExceptionWindows() override = default;
};

/// A Windows error code with its system message followed by "(0x<code>)".
class ExceptionWin32Wrapper : public ExceptionWindows {
 public:
  /// Throws ExceptionWin32ServiceDoesNotExist for 1060 and
  /// ExceptionWin32ServiceExists for 1073 instead of completing.
  explicit ExceptionWin32Wrapper(int32_t code);
  ~ExceptionWin32Wrapper() override = default;

  const char* what() const noexcept override { return message_.c_str(); }
  virtual int32_t errorCode() const { return code_; }

 protected:
  struct WithoutMapping {};
  /// Builds the message for any code, the two service codes included.
  ExceptionWin32Wrapper(int32_t code, WithoutMapping);

 private:
  int32_t code_;
  std::string message_;
};

/// ERROR_SERVICE_DOES_NOT_EXIST (1060).
class ExceptionWin32ServiceDoesNotExist : public ExceptionWin32Wrapper {
 public:
  ExceptionWin32ServiceDoesNotExist();
  ~ExceptionWin32ServiceDoesNotExist() override = default;
};

/// ERROR_SERVICE_EXISTS (1073).
class ExceptionWin32ServiceExists : public ExceptionWin32Wrapper {
 public:
  ExceptionWin32ServiceExists();
  ~ExceptionWin32ServiceExists() override = default;
};

/// The message an ExceptionWin32Wrapper carries for `code`.
std::string win32ExceptionMessage(int32_t code);

}  // namespace velmora::windows_specific

#endif  // TAVRO_SUPPORT_WINDOWS_SPECIFIC_EXCEPTIONS_H_
