#ifndef TAVRO_PLATFORM_RESOURCE_H_
#define TAVRO_PLATFORM_RESOURCE_H_

#include <cstddef>

namespace velmora::platform {

/// A resource of the running executable, found by integer id and custom type
/// name ("WAVE"). On Windows: FindResourceA, LoadResource, LockResource and
/// SizeofResource on the executable's own module, FreeResource when the object
/// goes away; on POSIX: the tables compiled into the binary (resource_table.h).
/// The bytes belong to the loaded program and stay valid for the life of the
/// process, after this object is gone too.
class OwnResource {
 public:
  OwnResource(int id, const char* type);
  ~OwnResource();
  OwnResource(const OwnResource&) = delete;
  OwnResource& operator=(const OwnResource&) = delete;

  /// False when the executable has no such resource.
  bool found() const { return data_ != nullptr; }
  const void* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  [[maybe_unused]] void* handle_ = nullptr;  // Windows only
  const void* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_RESOURCE_H_
