#include "platform/icmp_echo.h"

#include <memory>

#include "platform/icmp_echo_socket_posix.h"

namespace velmora::platform {

namespace {

// The socket of one family opened at start-up, while the process could
// still open a raw one, and the reason when that failed.
struct HeldSocket {
  bool taken = false;
  icmp::EchoSocket socket;
  uint32_t error = 0;
};

HeldSocket& heldSocket(int family) {
  static HeldSocket ipv4;
  static HeldSocket ipv6;
  return family == kFamilyIPv6 ? ipv6 : ipv4;
}

void holdFamily(int family) {
  HeldSocket& held = heldSocket(family);
  if (held.taken) return;
  held.taken = true;
  held.error = icmp::openEchoSocket(family, &held.socket);
}

// A handle's socket: the held one, which stays open, or an own one that
// closes with the handle.
class EchoHandle {
 public:
  EchoHandle(const icmp::EchoSocket& socket, bool owned)
      : socket_(socket), owned_(owned), exchange_(socket) {}
  ~EchoHandle() {
    if (owned_) icmp::closeEchoSocket(&socket_);
  }
  EchoHandle(const EchoHandle&) = delete;
  EchoHandle& operator=(const EchoHandle&) = delete;

  icmp::EchoExchange& exchange() { return exchange_; }

  // The held socket of `family` or a new one; nullptr with the error.
  static std::unique_ptr<EchoHandle> open(int family, uint32_t* error) {
    const HeldSocket& held = heldSocket(family);
    if (held.taken) {
      *error = held.error;
      if (held.error != 0) return nullptr;
      return std::make_unique<EchoHandle>(held.socket, false);
    }
    icmp::EchoSocket socket;
    *error = icmp::openEchoSocket(family, &socket);
    if (*error != 0) return nullptr;
    return std::make_unique<EchoHandle>(socket, true);
  }

 private:
  icmp::EchoSocket socket_;
  bool owned_;
  icmp::EchoExchange exchange_;
};

class PosixIcmpEcho : public IcmpEcho {
 public:
  explicit PosixIcmpEcho(std::unique_ptr<EchoHandle> handle) : handle_(std::move(handle)) {}

  uint32_t send(uint32_t destination, const void* data, uint16_t size, uint32_t replyBufferSize,
                uint32_t timeoutMs, EchoReply* reply) override {
    const icmp::EchoResult result = handle_->exchange().send(ipv4Address(destination, 0), data,
                                                             size, replyBufferSize, timeoutMs);
    *reply = EchoReply{};
    reply->address = ipv4Of(result.replier);
    reply->status = result.status;
    reply->roundTripTime = result.roundTripTime;
    reply->dataSize = result.dataSize;
    reply->ttl = result.ttl;
    return result.count;
  }

 private:
  std::unique_ptr<EchoHandle> handle_;
};

class PosixIcmp6Echo : public Icmp6Echo {
 public:
  explicit PosixIcmp6Echo(std::unique_ptr<EchoHandle> handle) : handle_(std::move(handle)) {}

  uint32_t send(const SocketAddress& destination, const void* data, uint16_t size,
                uint32_t replyBufferSize, uint32_t timeoutMs, Echo6Reply* reply) override {
    *reply = Echo6Reply{};
    reply->address.family = kFamilyIPv6;
    if (destination.family != kFamilyIPv6) {
      reply->status = kErrorInvalidParameter;
      return 0;
    }
    const icmp::EchoResult result =
        handle_->exchange().send(destination, data, size, replyBufferSize, timeoutMs);
    reply->address = result.replier;
    reply->status = result.status;
    reply->roundTripTime = result.roundTripTime;
    reply->dataSize = result.dataSize;
    return result.count;
  }

 private:
  std::unique_ptr<EchoHandle> handle_;
};

}  // namespace

// Each family on its own: a host without IPv6 still pings IPv4, and the
// IPv6 failure is reported only when an IPv6 handle is opened.
void IcmpEcho::hold() {
  holdFamily(kFamilyIPv4);
  holdFamily(kFamilyIPv6);
}

void releaseEchoFamily(int family) {
  HeldSocket& held = heldSocket(family);
  icmp::closeEchoSocket(&held.socket);
  held = HeldSocket{};
}

void IcmpEcho::release() {
  releaseEchoFamily(kFamilyIPv4);
  releaseEchoFamily(kFamilyIPv6);
}

std::unique_ptr<IcmpEcho> IcmpEcho::open(uint32_t* error) {
  std::unique_ptr<EchoHandle> handle = EchoHandle::open(kFamilyIPv4, error);
  if (!handle) return nullptr;
  return std::make_unique<PosixIcmpEcho>(std::move(handle));
}

std::unique_ptr<Icmp6Echo> Icmp6Echo::open(uint32_t* error) {
  std::unique_ptr<EchoHandle> handle = EchoHandle::open(kFamilyIPv6, error);
  if (!handle) return nullptr;
  return std::make_unique<PosixIcmp6Echo>(std::move(handle));
}

}  // namespace velmora::platform
