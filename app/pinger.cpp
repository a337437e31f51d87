#include "app/pinger.h"

#include <algorithm>

#include "app/target_names.h"
#include "platform/ticks.h"
#include "support/network/dns_resolver.h"

namespace {

constexpr int32_t kTcpModeSize = 32;
constexpr uint32_t kTcpModeDelay = 150;

}  // namespace

PingStatistics summarizeResults(const std::vector<PingResult>& results) {
  PingStatistics s;
  if (results.empty()) return s;
  std::vector<double> times;
  for (const PingResult& r : results) {
    if (r.success) times.push_back(static_cast<double>(r.milliseconds));
  }
  std::sort(times.begin(), times.end());
  double minimum = times.empty() ? 0 : times.front();
  double maximum = minimum;
  double mean = 0;
  // A running mean over the sorted samples: its rounding differs from
  // sum / n, and the printed average follows this order on purpose.
  for (size_t k = 0; k < times.size(); ++k) {
    const double x = times[k];
    minimum = std::min(minimum, x);
    maximum = std::max(maximum, x);
    mean = ((x - mean) / static_cast<double>(k + 1)) + mean;
  }
  s.average = static_cast<int32_t>(mean);
  s.minimum = static_cast<int32_t>(minimum);
  s.maximum = static_cast<int32_t>(maximum);
  // Single precision throughout: 53 of 100 gives 52, not 53.
  const volatile float quotient =
      static_cast<float>(times.size()) / static_cast<float>(results.size());
  const volatile float percent = quotient * 100.0f;
  s.rate = static_cast<int32_t>(percent);
  return s;
}

Pinger::Pinger(const std::string& host, int32_t count, int32_t size, uint32_t delay, bool loop,
               bool resolveAddresses)
    : host(host),
      loop(loop),
      count(count),
      size(size),
      delay(delay),
      status(kGeneralFailure),
      port(0),
      tcpTimeout(0),
      payload(buildPayload(size)),
      resolveAddresses(resolveAddresses) {}

Pinger::Pinger(const std::string& host, uint16_t port, uint16_t tcpTimeout, int32_t count,
               bool loop, bool resolveAddresses)
    : host(host),
      loop(loop),
      count(count),
      size(kTcpModeSize),
      delay(kTcpModeDelay),
      status(kGeneralFailure),
      port(port),
      tcpTimeout(tcpTimeout),
      resolveAddresses(resolveAddresses) {}

bool Pinger::prepare() {
  resolve();
  return resolved;
}

bool Pinger::pingNext() {
  resolve();
  if (!resolved) return false;
  if (sequence >= count && !loop) return false;
  // The pause runs from the end of the last probe: printing its line,
  // starting its sound and resolving again belong to the pause, so probes
  // follow each other at the delay the user gave, not that plus our own work.
  if (sequence > 0) velmora::platform::sleepMsSince(lastProbeEnd, delay);
  const bool sent = port != 0 ? pingTcp() : pingIcmp();
  lastProbeEnd = velmora::platform::monotonicMicros();
  if (!sent) return false;
  ++sequence;
  return true;
}

std::string Pinger::displayName() {
  if (host != address_) return address_.empty() ? host : host + " [" + address_ + "]";
  return address();
}

std::string Pinger::address() {
  if (address_.empty()) resolve();
  return address_;
}

std::string Pinger::buildPayload(int32_t n) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz";
  std::string data;
  for (int32_t i = 0; i < n; ++i) data.push_back(kLetters[i % 26]);
  return data;
}

void Pinger::resolve() {
  velmora::network::DnsResolver<std::string> resolver;
  if (!prepared && address_.empty()) {
    address_ = resolver.resolve(host);
    if (!resolver.lastError().empty()) errorText = resolver.lastError();
    resolved = isValidIpv4Address(address_);
    // A name that resolves without error but has no IPv4 address would
    // otherwise be refused without any reason.
    if (!resolved && errorText.empty()) {
      errorText = host + " does not appear to be valid hostname.";
    }
    prepared = true;
  }
  if (resolveAddresses && isValidIpv4Address(address_) && host == address_) {
    host = reverseLookup(address_);
  }
}
