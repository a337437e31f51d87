#ifndef TAVRO_APP_PINGER_H_
#define TAVRO_APP_PINGER_H_

#include <cstdint>
#include <map>
#include <string>

#include "platform/error_codes.h"
#include "platform/icmp_echo.h"

/// Outcome of one probe.
struct PingResult {
  bool success = false;
  uint32_t milliseconds = 0;
};

/// Round-trip summary: times over the successful probes, rate over all.
struct PingStatistics {
  int32_t average = 0;
  int32_t minimum = 0;
  int32_t maximum = 0;
  int32_t rate = 0;
};

/// The probes made, as far as the summary needs them: how many, and how many
/// replies took each round-trip time. One entry per distinct millisecond value
/// rather than one per probe, so a loop that runs for weeks holds as little as
/// a run of four probes.
class PingTally {
 public:
  /// Counts one more probe, and its time when it succeeded. Named as the list
  /// of results it stands for, to which every probe appends its outcome.
  void push_back(const PingResult& result);
  uint64_t probes() const { return probes_; }
  uint64_t replies() const { return replies_; }
  /// Number of replies by round-trip milliseconds, shortest time first.
  const std::map<uint32_t, uint64_t>& replyTimes() const { return replyTimes_; }

 private:
  uint64_t probes_ = 0;
  uint64_t replies_ = 0;
  std::map<uint32_t, uint64_t> replyTimes_;
};

/// Summary of the probes counted, with the single- and double-precision
/// arithmetic whose rounding the printed figures depend on.
PingStatistics summarizeResults(const PingTally& results);

/// Probe engine for one target: ICMP echo (port 0) or TCP connect probes.
/// Resolves the target once, makes one probe per pingNext() and keeps the
/// texts the driver prints. Prints nothing itself.
class Pinger {
 public:
  /// ICMP mode. Touches no network.
  Pinger(const std::string& host, int32_t count, int32_t size, uint32_t delay, bool loop,
         bool resolveAddresses);
  /// TCP mode against `port` (not 0), with a connect timeout in seconds.
  Pinger(const std::string& host, uint16_t port, uint16_t tcpTimeout, int32_t count, bool loop,
         bool resolveAddresses);
  Pinger(const Pinger&) = delete;
  Pinger& operator=(const Pinger&) = delete;

  /// Resolves the target; false when it cannot be used (see lastError()).
  bool prepare();
  /// Makes the next probe. False when none went out: target unresolved,
  /// count reached, or the probe could not be sent (see lastError()).
  bool pingNext();
  bool lastSucceeded() const { return status == 0; }
  std::string lastReply() const { return replyText; }
  std::string lastError() const { return errorText; }
  /// Number of probes that went out so far.
  int32_t probesMade() const { return sequence; }
  /// "name [address]" for a name, the address alone for a numeric target.
  std::string displayName();
  /// The resolved address (dotted IPv4, or numeric IPv6 with its zone),
  /// resolving first when there is none yet.
  std::string address();
  PingStatistics statistics() const { return summarizeResults(results); }

  /// n letters "abc...zab..."; empty for n <= 0.
  static std::string buildPayload(int32_t n);
  /// The text of an ICMP status code, with its full stop.
  static std::string statusText(uint32_t code);

  /// Turns the first reply record of an echo call into status, result entry
  /// and reply line.
  void recordEchoReply(const velmora::platform::EchoReply& reply, uint32_t replyCount);
  /// The same for an IPv6 echo call: its lines carry no ttl field.
  void recordEcho6Reply(const velmora::platform::Echo6Reply& reply, uint32_t replyCount);

 private:
  void resolve();
  /// The resolved address is an IPv6 one.
  bool resolvedToIPv6() const;
  bool pingIcmp();
  bool pingIcmp6();
  bool pingTcp();
  /// Room in one datagram for the payload; sets errorText when there is none.
  bool payloadFits();
  void recordReply(uint32_t replyStatus, uint32_t roundTripTime, uint16_t dataSize,
                   const std::string& replier, const std::string& ttlField, uint32_t replyCount);

  std::string host;
  std::string address_;
  bool loop;
  int32_t count;
  int32_t size;
  uint32_t delay;
  bool resolved = false;
  int32_t sequence = 0;
  uint32_t status;
  uint16_t port;
  uint16_t tcpTimeout;
  std::string errorText;
  std::string payload;
  std::string replyText;
  PingTally results;
  bool resolveAddresses;
  bool prepared = false;
  // When the last probe ended, on the monotonic microsecond clock.
  int64_t lastProbeEnd = 0;
};

/// Largest echo payload we send: what fits in one IPv4 datagram with room to
/// spare for headers.
constexpr int32_t kMaxPacketSize = 65500;

/// Status of a probe that failed without a more precise reason.
using velmora::platform::icmp::kGeneralFailure;

#endif  // TAVRO_APP_PINGER_H_
