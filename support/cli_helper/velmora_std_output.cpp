#include "support/cli_helper/velmora_std_output.h"

#include <iostream>
#include <sstream>

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

void VelmoraStdOutput::write(const std::string& text) { std::cout << text << std::flush; }

// The parser writes its usage text to std::cout; it is collected first so
// that it goes out in one write whose failure can be seen.
void VelmoraStdOutput::usage(TCLAP::CmdLineInterface& cmd) {
  std::ostringstream text;
  std::streambuf* const original = std::cout.rdbuf(text.rdbuf());
  try {
    TCLAP::StdOutput::usage(cmd);
  } catch (...) {
    std::cout.rdbuf(original);
    throw;
  }
  std::cout.rdbuf(original);
  write(text.str());
}

void VelmoraStdOutput::version(TCLAP::CmdLineInterface&) { write(banner()); }

void VelmoraStdOutput::failure(TCLAP::CmdLineInterface& cmd, TCLAP::ArgException& e) {
  version(cmd);
  write("\n");
  TCLAP::StdOutput::failure(cmd, e);
}

}  // namespace velmora::cli_helper
