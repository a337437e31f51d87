#ifndef TAVRO_PLATFORM_VERSION_INFO_H_
#define TAVRO_PLATFORM_VERSION_INFO_H_

#include <cstdint>
#include <memory>
#include <string>

namespace velmora::platform {

/// The running executable's version block: GetModuleFileNameW,
/// GetFileVersionInfoSizeW and GetFileVersionInfoW on Windows; on POSIX the
/// same strings compiled into the binary from the one source that also
/// feeds the Windows .rc file.
class VersionBlock {
 public:
  virtual ~VersionBlock() = default;

  /// Loads the block; nullptr with a Windows error code in `error` when the
  /// module path, the size or the block cannot be had.
  static std::unique_ptr<VersionBlock> load(uint32_t* error);

  /// VerQueryValueW on a sub-block path such as
  /// u"\\StringFileInfo\\040904b0\\ProductName". On success `value` holds the
  /// characters before the terminating zero (for a binary value such as
  /// \\VarFileInfo\\Translation, its 16-bit words) and `length` the length the
  /// system reports (for a string it counts the terminating zero; for a
  /// binary value it is in bytes). False with a Windows error code (1813 when
  /// the system names none) when not found.
  virtual bool queryValue(const std::u16string& subBlock, std::u16string* value, uint32_t* length,
                          uint32_t* error) const = 0;
};

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_VERSION_INFO_H_
