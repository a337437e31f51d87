#ifndef TAVRO_PLATFORM_FILE_DESCRIPTOR_POSIX_H_
#define TAVRO_PLATFORM_FILE_DESCRIPTOR_POSIX_H_

// POSIX only: a descriptor that closes itself when it goes. Move-only.

#include <unistd.h>

#include <utility>

namespace velmora::platform {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  /// Gives the descriptor up without closing it, for a caller that must see
  /// what close() says (a write that only fails at close, on NFS).
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_FILE_DESCRIPTOR_POSIX_H_
