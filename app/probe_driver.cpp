#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/cli_handler.h"
#include "app/pinger.h"
#include "app/report.h"
#include "app/sound.h"
#include "app/target_names.h"
#include "platform/console_control.h"
#include "platform/console_output.h"
#include "platform/error_codes.h"
#include "platform/ticks.h"
#include "support/text_utils.h"
#include "velmora_components.h"

std::atomic<bool> stopRequested{false};

namespace {

constexpr uint32_t kSoundPauseMs = 200;

// Why standard output could not be written (a Windows code); 0 while it can.
uint32_t outputFailure = 0;

// Writes a piece of the report, flushed at once so that a reader sees each
// line as it happens and a failure is seen at the line that met it. Once
// standard output has failed nothing more is written and the run ends.
bool print(const std::string& text) {
  if (outputFailure != 0) return false;
  uint32_t failure = 0;
  if (velmora::platform::writeStandardOutput(text, &failure)) return true;
  outputFailure = failure;
  return false;
}

// The exit code of a run that ends now: output that could not be written
// fails the run whatever the probes found, and standard error says why.
int finish(int exitCode) {
  if (outputFailure == 0) return exitCode;
  velmora::platform::writeStandardError(outputFailureLine(outputFailure));
  return 1;
}

// True when not even the first probe could be sent (no ICMP socket, an
// address the echo call refuses): the run has no result to report, and a
// "down" verdict or a 0 % summary would blame the target for our failure.
bool nothingCouldBeSent(const Pinger& pinger) {
  return pinger.probesMade() == 0 && !pinger.lastError().empty();
}

uint16_t portNumber(const std::string& text) {
  return static_cast<uint16_t>(std::strtol(text.c_str(), nullptr, 10));
}

}  // namespace

bool consoleCtrlHandler(uint32_t ctrlType) {
  if (ctrlType != velmora::platform::kCtrlCEvent &&
      ctrlType != velmora::platform::kCtrlBreakEvent) {
    return false;
  }
  stopRequested = true;
  return true;
}

ProbeTarget splitProbeTarget(const std::string& hostOption) {
  ProbeTarget target;
  const IPv6Target v6 = readIPv6Target(hostOption);
  if (v6.form != IPv6Form::kNone) {
    target.host = v6.form == IPv6Form::kRefused ? hostOption : v6.address;
    target.unknownHost = v6.form == IPv6Form::kRefused;
    if (v6.form == IPv6Form::kAddressPort) target.port = portNumber(v6.port);
    return target;
  }
  if (hostOption.find(':') == std::string::npos) {
    target.host = hostOption;
    return target;
  }
  const std::vector<std::string> parts = velmora::splitString(hostOption, ":");
  if (parts.size() == 2) {
    target.host = parts[0];
    target.port = portNumber(parts[1]);
  }
  return target;
}

// Values the command line and the stored defaults accept but a probe cannot
// use sensibly are refused before anything is sent.
std::string CliHandler::invalidOption(const ProbeTarget& target) const {
  if (target.port != 0) {
    // A zero timeout would let the connect call return before the outcome
    // is known, reporting every port as open.
    return tcpTimeout == 0 ? "TCP timeout must be between 1 and 65535 seconds." : "";
  }
  if (size < 0 || size > kMaxPacketSize) return "Packet size must be between 0 and 65500 bytes.";
  if (delay < 0) return "Delay between packets must not be negative.";
  return "";
}

bool CliHandler::pingBrief(Pinger& pinger) {
  bool up = false;
  while (pinger.pingNext()) {
    if (pinger.lastSucceeded()) {
      up = true;
      break;
    }
  }
  if (nothingCouldBeSent(pinger)) return false;
  const int32_t sound = up ? soundSuccess : soundFailure;
  if (sound != 0) playSound(sound);
  return print(briefVerdict(pinger.displayName(), up, comment)) && up;
}

void CliHandler::pingVerbose(Pinger& pinger) {
  if (!print(verboseHeader(pinger.displayName()))) return;
  while (pinger.pingNext()) {
    if (soundSuccess != 0 && pinger.lastSucceeded()) {
      playSound(soundSuccess);
    } else if (soundFailure != 0 && !pinger.lastSucceeded()) {
      playSound(soundFailure);
    }
    if (!print(probeLine(pinger.lastReply())) || stopRequested) break;
  }
}

int CliHandler::run() {
  outputFailure = 0;
  ProbeTarget target = splitProbeTarget(host);
  const std::string refusal = invalidOption(target);
  if (!refusal.empty()) {
    print(errorLine(refusal));
    return finish(1);
  }
  if (target.unknownHost) {
    print(errorLine(velmora::formatWindowsError(velmora::platform::kWsaHostNotFound)));
    return finish(1);
  }
  IPPort_StaticInit(nullptr);
  IPInfo_StaticInit(nullptr);
  if (const int parts = countAddressParts(target.host)) {
    target.host = completePartialAddress(parts, target.host);
  }
  auto pinger = target.port == 0
                    ? std::make_unique<Pinger>(target.host, count, size,
                                               static_cast<uint32_t>(delay), loop, resolveAddresses)
                    : std::make_unique<Pinger>(target.host, target.port, tcpTimeout, count, loop,
                                               resolveAddresses);
  int exitCode = 1;
  if (!pinger->prepare()) {
    print(errorLine(pinger->lastError()) + dashTargetHint(host));
  } else {
    if (brief) {
      pingBrief(*pinger);
    } else {
      pingVerbose(*pinger);
    }
    if (outputFailure != 0) {
      // Stopped at the line that could not be written; nothing more to say.
    } else if (nothingCouldBeSent(*pinger)) {
      print(errorLine(pinger->lastError()));
    } else {
      if (soundSuccess != 0 || soundFailure != 0) velmora::platform::sleepMs(kSoundPauseMs);
      const PingStatistics s = pinger->statistics();
      if (!brief) print(summaryText(s));
      exitCode = s.rate > 0 ? 0 : 3;
    }
  }
  pinger.reset();
  IPPort_StaticDestroy();
  IPInfo_StaticDestroy();
  return finish(exitCode);
}
