#ifndef TAVRO_APP_CLI_HANDLER_H_
#define TAVRO_APP_CLI_HANDLER_H_

#include <atomic>
#include <cstdint>
#include <stdexcept>
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
/// `unknownHost`: a bracketed text that holds no IPv6 address.
struct ProbeTarget {
  std::string host;
  uint16_t port = 0;
  bool unknownHost = false;
};

/// An IPv6 address (zone allowed) or "[address]" is an ICMP target,
/// "[address]:port" a TCP one. Any other text is split at ":": without ":"
/// the whole text is the target; any split other than into exactly two parts
/// gives an empty target. The port is read like strtol and cut to its low
/// 16 bits.
ProbeTarget splitProbeTarget(const std::string& hostOption);

/// A line for a target that starts with "-", which no host name does: the
/// user most likely wrote an option as other tools spell them. Empty for
/// any other target.
std::string dashTargetHint(const std::string& target);

/// Thrown when standard output refuses the usage text or the banner; the
/// reason is on standard error already, and the process ends with 1.
struct OutputRefused : std::runtime_error {
  OutputRefused() : std::runtime_error("standard output cannot be written") {}
};

/// The program object: parses the command line (it is the parser's output
/// object), applies stored defaults, and drives the probe run.
struct CliHandler : public velmora::cli_helper::VelmoraStdOutput {
  /// Parses the options. Usage, version banner and parse errors are written
  /// here and end the process (0 after usage or banner, 1 after an error).
  /// Throws OutputRefused when standard output cannot take them. "-h",
  /// "--help" and "--version" as the only argument mean "/?" and "/version".
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

 protected:
  /// Usage and banner go out as the probe report does; when standard output
  /// refuses them, standard error says why and OutputRefused is thrown.
  void write(const std::string& text) override;

 private:
  void parse(int argc, char* argv[]);
  bool pingBrief(Pinger& pinger);
  void pingVerbose(Pinger& pinger);
};

#endif  // TAVRO_APP_CLI_HANDLER_H_
