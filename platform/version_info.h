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
  /// characters and `length` the length the system reports (which counts the
  /// terminating zero). False with a Windows error code when not found.
  virtual bool queryValue(const std::u16string& subBlock, std::u16string* value,
                          uint32_t* length, uint32_t* error) const = 0;
};

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_VERSION_INFO_H_
