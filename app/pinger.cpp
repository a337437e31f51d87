#include "app/pinger.h"

#include <cstdint>

#include "app/target_names.h"
#include "platform/ticks.h"
#include "support/network/dns_resolver.h"

namespace {

constexpr int32_t kTcpModeSize = 32;
constexpr uint32_t kTcpModeDelay = 150;

}  // namespace

void PingTally::push_back(const PingResult& result) {
  ++probes_;
  if (!result.success) return;
  ++replies_;
  ++replyTimes_[result.milliseconds];
}

namespace {

// A running mean over the sorted samples: its rounding differs from sum / n,
// and the printed average follows this order on purpose. Each step starts
// from the mean the step before left, so `replies` equal samples take as
// many steps, except that a step which leaves the mean unchanged ends the
// run: the next quotient has the same sign and is no larger, and adding it
// rounds back to the same mean. That makes a run of mostly 0 ms loopback
// replies one step however long the loop went on.
double addToRunningMean(double mean, uint64_t& samples, double x, uint64_t replies) {
  for (uint64_t i = 0; i < replies; ++i) {
    ++samples;
    const double next = ((x - mean) / static_cast<double>(samples)) + mean;
    if (next == mean) {
      samples += replies - i - 1;
      break;
    }
    mean = next;
  }
  return mean;
}

// Truncation toward zero; a time past the signed range reads as the lowest
// value, as the processor's own conversion has always made it (x86's
// "integer indefinite"). Written out, because the language leaves that
// conversion undefined and the optimiser then folds it otherwise.
int32_t truncateMilliseconds(double ms) {
  constexpr double kLimit = 2147483648.0;
  if (!(ms > -kLimit - 1 && ms < kLimit)) return INT32_MIN;
  return static_cast<int32_t>(ms);
}

}  // namespace

PingStatistics summarizeResults(const PingTally& results) {
  PingStatistics s;
  if (results.probes() == 0) return s;
  const std::map<uint32_t, uint64_t>& times = results.replyTimes();
  double mean = 0;
  uint64_t samples = 0;
  for (const auto& [milliseconds, replies] : times) {
    mean = addToRunningMean(mean, samples, static_cast<double>(milliseconds), replies);
  }
  s.average = truncateMilliseconds(mean);
  if (!times.empty()) {
    s.minimum = truncateMilliseconds(static_cast<double>(times.begin()->first));
    s.maximum = truncateMilliseconds(static_cast<double>(times.rbegin()->first));
  }
  // Single precision throughout: 53 of 100 gives 52, not 53.
  const volatile float quotient =
      static_cast<float>(results.replies()) / static_cast<float>(results.probes());
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
  // The pause runs from the end of the last probe: printing its line and
  // starting its sound belong to the pause, so probes follow each other at
  // the delay the user gave, not that plus our own work.
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
  if (!prepared && address_.empty()) {
    // Only the first probe resolves: a resolver is a whole IPInfo object.
    velmora::network::DnsResolver<std::string> resolver;
    address_ = resolver.resolve(host);
    if (!resolver.lastError().empty()) errorText = resolver.lastError();
    resolved = isValidIpv4Address(address_) || isIPv6Literal(address_);
    // A name that resolves without error but has no address would otherwise
    // be refused without any reason.
    if (!resolved && errorText.empty()) {
      errorText = host + " does not appear to be valid hostname.";
    }
    prepared = true;
    // The echo socket of the other family was only held in case the
    // target needed it.
    if (resolved && port == 0) {
      velmora::platform::releaseEchoFamily(resolvedToIPv6() ? velmora::platform::kFamilyIPv4
                                                            : velmora::platform::kFamilyIPv6);
    }
  }
  if (resolveAddresses && resolved && host == address_) host = reverseLookup(address_);
}

bool Pinger::resolvedToIPv6() const { return address_.find(':') != std::string::npos; }
