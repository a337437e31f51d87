#include "support/cli_helper/velmora_std_output.h"

#include <iostream>

namespace velmora::cli_helper {

std::string narrowLowBytes(const std::u16string& text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (char16_t unit : text) narrow.push_back(static_cast<char>(unit & 0xFF));
  return narrow;
}

std::string dotVersion(std::string text) {
  for (size_t i = text.find(", "); i != std::string::npos; i = text.find(", ", i + 1)) {
    text.replace(i, 2, ".");
  }
  return text;
}

VelmoraStdOutput::VelmoraStdOutput()
    : VelmoraStdOutput(*windows_specific::readFormattedVersionInfo(
          windows_specific::kEnglishUnicodeTranslation)) {}

VelmoraStdOutput::VelmoraStdOutput(const windows_specific::FormattedVersionInfo& info)
    : versionText(dotVersion(narrowLowBytes(info.productVersion))),
      titleText(narrowLowBytes(info.internalName) + " (" + narrowLowBytes(info.productName) + ")"),
      legalText(narrowLowBytes(info.legalCopyright)),
      companyText(narrowLowBytes(info.companyName)),
      descriptionText(narrowLowBytes(info.fileDescription)) {}

std::string VelmoraStdOutput::banner() const {
  return titleText + " v" + versionText + "\n" + legalText + " " + companyText + "\n" +
         std::string(42, '-') + "\n";
}

void VelmoraStdOutput::usage(TCLAP::CmdLineInterface& cmd) { TCLAP::StdOutput::usage(cmd); }

void VelmoraStdOutput::version(TCLAP::CmdLineInterface&) { std::cout << banner() << std::flush; }

void VelmoraStdOutput::failure(TCLAP::CmdLineInterface& cmd, TCLAP::ArgException& e) {
  version(cmd);
  std::cout << "\n" << std::flush;
  TCLAP::StdOutput::failure(cmd, e);
}

}  // namespace velmora::cli_helper
