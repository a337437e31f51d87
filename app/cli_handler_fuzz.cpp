#include "app/cli_handler.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/stored_defaults.h"

namespace {

velmora::windows_specific::FormattedVersionInfo versionInfo() {
  velmora::windows_specific::FormattedVersionInfo info;
  info.productVersion = u"1, 2, 0, 0";
  info.internalName = u"tavro";
  info.productName = u"tavro";
  info.fileDescription = u"console ping";
  return info;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Stored defaults go to a private folder, never the user's own.
  static char home[] = "/tmp/tavro-cli-fuzz.XXXXXX";
  if (mkdtemp(home) == nullptr) std::abort();
  setenv("XDG_CONFIG_HOME", home, 1);
  // Every way the parser ends the process (usage, version banner, parse
  // error) first writes to standard output. Where that refuses everything,
  // the handler throws instead, and the constructor unwinds.
  int full = open("/dev/full", O_WRONLY);
  if (full < 0) std::abort();
  dup2(full, STDOUT_FILENO);
  close(full);
  return 0;
}

// Input: the command-line arguments separated by NUL bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = {"tavro"};
  std::string current;
  for (size_t i = 0; i < size && args.size() < 24; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  args.push_back(current);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  try {
    CliHandler handler(versionInfo(), static_cast<int>(args.size()), argv.data());
    if (handler.loop && handler.brief) std::abort();  // looping always runs verbose
    handler.invalidOption(splitProbeTarget(handler.host));
  } catch (const OutputRefused&) {
    // The parser wanted to print and exit; anything else escaping is a fault.
  }
  clearDefaults();  // each input starts from the built-in values
  return 0;
}
