#ifndef TAVRO_APP_CLI_HANDLER_H_
#define TAVRO_APP_CLI_HANDLER_H_

#include <atomic>
#include <cstdint>
#include <string>

#include "support/cli_helper/velmora_std_output.h"

class Pinger;

/// Set once by the console control handler; the verbose loop stops after the
/// line of the probe under way.
extern std::atomic<bool> stopRequested;

/// Control-C and Break set stopRequested and are consumed; every other event
/// is left to the system's default handling.
bool consoleCtrlHandler(uint32_t ctrlType);

/// The probe target taken from the host option: port 0 means ICMP mode.
struct ProbeTarget {
  std::string host;
  uint16_t port = 0;
};

/// Splits "host:port" into target and port. Without ":" the whole text is
/// the target; any split other than into exactly two parts gives an empty
/// target. The port is read like strtol and cut to its low 16 bits.
ProbeTarget splitProbeTarget(const std::string& hostOption);

/// The program object: parses the command line (it is the parser's output
/// object), applies stored defaults, and drives the probe run.
struct CliHandler : public velmora::cli_helper::VelmoraStdOutput {
  /// Parses the options. Usage, version banner and parse errors are written
  /// here and end the process (0 after usage or banner, 1 after an error).
  CliHandler(int argc, char* argv[]);
  /// The same with an already read version resource.
  CliHandler(const velmora::windows_specific::FormattedVersionInfo& versionInfo, int argc,
             char* argv[]);
  ~CliHandler() override = default;

  /// Runs the probes; returns the exit code (0 some probe answered, 3 none
  /// did, 1 target unusable or options unusable).
  int run();

  /// Why the options cannot be used for probing `target` (a packet size
  /// outside 0..65500 or a negative delay in ICMP mode, a TCP timeout of 0
  /// in TCP mode); empty when they can.
  std::string invalidOption(const ProbeTarget& target) const;

  std::string host;
  int32_t count = 4;
  int32_t size = 32;
  int32_t delay = 150;
  bool loop = false;
  uint16_t tcpTimeout = 2;
  int32_t soundSuccess = 0;
  int32_t soundFailure = 0;
  bool brief = false;
  bool comment = false;
  bool defaultSet = false;
  bool defaultClear = false;
  bool resolveAddresses = false;

 private:
  void parse(int argc, char* argv[]);
  bool pingBrief(Pinger& pinger);
  void pingVerbose(Pinger& pinger);
};

#endif  // TAVRO_APP_CLI_HANDLER_H_
