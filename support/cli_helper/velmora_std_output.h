#ifndef TAVRO_SUPPORT_CLI_HELPER_VELMORA_STD_OUTPUT_H_
#define TAVRO_SUPPORT_CLI_HELPER_VELMORA_STD_OUTPUT_H_

#include <string>

#include "support/cli_helper/tclap.h"
#include "support/windows_specific/formatted_version_info.h"

namespace velmora::cli_helper {

/// The parser's standard output under our own name; adds nothing.
class VelmoraStdOutputInterface : public TCLAP::StdOutput {};

/// Parser output whose version text is a three-line banner made from the
/// executable's version resource; parse failures are preceded by it.
class VelmoraStdOutput : public VelmoraStdOutputInterface {
 public:
  /// Reads the version resource (US English, Unicode). Throws
  /// ExceptionWin32Wrapper when the version block cannot be loaded.
  VelmoraStdOutput();
  /// Builds the texts from an already read resource.
  explicit VelmoraStdOutput(const windows_specific::FormattedVersionInfo& info);
  ~VelmoraStdOutput() override = default;

  void usage(TCLAP::CmdLineInterface& cmd) override;
  void version(TCLAP::CmdLineInterface& cmd) override;
  void failure(TCLAP::CmdLineInterface& cmd, TCLAP::ArgException& e) override;

  /// The file description, shown by the parser at the end of the usage text.
  std::string description() const { return descriptionText; }

  /// The banner that version() writes.
  std::string banner() const;

 protected:
  /// Where usage(), version() and failure() send their text: standard
  /// output here. What it throws leaves the parser without ending the
  /// process (unless it is TCLAP::ExitException).
  virtual void write(const std::string& text);

  std::string versionText;
  std::string titleText;
  std::string legalText;
  std::string companyText;
  std::string descriptionText;
};

/// Keeps the low byte of every UTF-16 code unit; no code-page conversion.
std::string narrowLowBytes(const std::u16string& text);

/// Replaces every ", " by ".", scanning left to right: "2, 1, 2, 1" -> "2.1.2.1".
std::string dotVersion(std::string text);

}  // namespace velmora::cli_helper

#endif  // TAVRO_SUPPORT_CLI_HELPER_VELMORA_STD_OUTPUT_H_
