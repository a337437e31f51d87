#ifndef TAVRO_PLATFORM_UDP_SINK_POSIX_TEST_SUPPORT_H_
#define TAVRO_PLATFORM_UDP_SINK_POSIX_TEST_SUPPORT_H_

// Test-only, POSIX: a UDP socket on 127.0.0.1 that takes datagrams and never
// answers, to stand in for a DNS server that does not respond.

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>

#include "platform/file_descriptor_posix.h"

namespace velmora::platform {

class UdpSink {
 public:
  UdpSink() : socket_(::socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const int fd = socket_.get();
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
  }

  bool ready() const { return port_ != 0; }
  /// "127.0.0.1:port", as setLookupServersForTesting takes it.
  std::string server() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  FileDescriptor socket_;
  uint16_t port_ = 0;
};

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_UDP_SINK_POSIX_TEST_SUPPORT_H_
