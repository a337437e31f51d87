#include "components/ipport/proxy/proxy_negotiator.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace velmora::components::proxy;

// The first byte picks the proxy type and the chunk size; the rest is what
// a hostile proxy sends, cut into chunks. Built with -fsanitize=fuzzer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  ProxySettings settings;
  settings.type = 1 + data[0] % 4;
  settings.remoteHost = (data[0] & 0x10) != 0 ? "*fuzz.test" : "10.1.2.3";
  settings.remotePort = 443;
  settings.user = "CORP\\user";
  settings.password = "password";
  settings.useSystemSspi = false;
  ProxyIo io;
  io.send = [](const std::string&) { return 0; };
  io.resolve = [](const std::string&, uint32_t* address) {
    *address = 0x0302010A;
    return 0;
  };
  ProxyNegotiator negotiator(settings, io);
  ProxyStep step = negotiator.start();
  size_t chunk = 1 + (data[0] >> 5) * 7;
  for (size_t at = 1; at < size && step == ProxyStep::kPending;) {
    size_t length = size - at < chunk ? size - at : chunk;
    size_t used = 0;
    step = negotiator.receiveBytes(reinterpret_cast<const char*>(data + at), length, &used);
    if (used > length) __builtin_trap();
    at += length;
  }
  return 0;
}
