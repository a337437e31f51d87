#include "app/cli_handler.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <list>
#include <vector>

#include "app/report.h"
#include "app/stored_defaults.h"
#include "platform/console_output.h"
#include "tavro_version_numbers.h"

namespace {

// The parser's arguments. They live only while the command line is parsed.
struct CommandLineArgs {
  explicit CommandLineArgs(TCLAP::ValuesConstraint<int>* soundIds)
      : resolveAddresses("a", "resolveaddresses", "Resolve addresses to host names", false),
        count("c", "count", "Number of packets to send (ping only)", false, 4, "count"),
        size("s", "size", "Size (bytes) of ICMP echo requests, default are 32 bytes (ping only)",
             false, 32, "size"),
        tcpTimeout("t", "tcptimeout", "timeout for TCP connection attempts (in seconds).", false, 2,
                   "tcptimeout"),
        delay("d", "delay", "Delay between packets in milliseconds, default are 150 milliseconds.",
              false, 150, "delay"),
        loop("l", "loop", "Ping indefinitely, abort with Control-C.", false),
        playOk("p", "playok", "Play sound on successful ping.", false, 0, soundIds),
        playFailure("f", "playfailure", "Play sound on ping failure.", false, 0, soundIds),
        defaultSet("w", "defaultset", "Sets current options as defaults.", false),
        defaultClear("x", "defaultclear", "Clears all stored defaults.", false),
        verbose("v", "verbose", "Verbose output (default).", true),
        brief("b", "brief",
              "Performs a quick ping and only indicates whether host is up or down. Cannot be "
              "used with /verbose.",
              false),
        comment("u", "comment", "Shows unhelpful comments when performing a brief ping.", false),
        host("host", "Hostname or IP address to ping, specify TCP port with colon (host:port)",
             true, "", "host") {}

  void registerWith(TCLAP::CmdLine& cmd) {
    TCLAP::Arg* const order[] = {&count,  &tcpTimeout,  &size,       &delay,           &loop,
                                 &playOk, &playFailure, &defaultSet, &defaultClear,    &verbose,
                                 &brief,  &comment,     &host,       &resolveAddresses};
    for (TCLAP::Arg* arg : order) cmd.add(arg);
  }

  TCLAP::SwitchArg resolveAddresses;
  TCLAP::ValueArg<int> count;
  TCLAP::ValueArg<int> size;
  TCLAP::ValueArg<int> tcpTimeout;
  TCLAP::ValueArg<int> delay;
  TCLAP::SwitchArg loop;
  TCLAP::ValueArg<int> playOk;
  TCLAP::ValueArg<int> playFailure;
  TCLAP::SwitchArg defaultSet;
  TCLAP::SwitchArg defaultClear;
  TCLAP::SwitchArg verbose;
  TCLAP::SwitchArg brief;
  TCLAP::SwitchArg comment;
  TCLAP::UnlabeledValueArg<std::string> host;
};

// The library hard-codes "h" as the help flag; "/?" is what users of this
// program type. The replacement keeps the switch's place in the list, so the
// usage text lists the arguments in the same order.
void replaceHelpSwitch(TCLAP::CmdLine& cmd, TCLAP::SwitchArg* help) {
  std::list<TCLAP::Arg*>& args = cmd.getArgList();
  std::replace_if(
      args.begin(), args.end(), [](TCLAP::Arg* arg) { return arg->getName() == "help"; }, help);
}

// Options given on the command line win over stored and built-in values;
// looping always runs verbose.
void applyGivenOptions(const CommandLineArgs& args, CliHandler& h) {
  if (args.tcpTimeout.isSet()) h.tcpTimeout = static_cast<uint16_t>(args.tcpTimeout.getValue());
  if (args.count.isSet()) h.count = args.count.getValue();
  if (args.size.isSet()) h.size = args.size.getValue();
  if (args.delay.isSet()) h.delay = args.delay.getValue();
  if (args.loop.isSet()) h.loop = true;
  if (args.playOk.isSet()) h.soundSuccess = args.playOk.getValue();
  if (args.playFailure.isSet()) h.soundFailure = args.playFailure.getValue();
  if (args.brief.isSet()) {
    h.brief = true;
  } else if (args.verbose.isSet()) {
    h.brief = false;
  }
  if (args.comment.isSet()) h.comment = true;
  if (h.loop && h.brief) h.brief = false;
}

void maintainDefaults(const CliHandler& h) {
  if (h.defaultClear) {
    if (clearDefaults()) std::printf("Defaults have been deleted successfully.\n");
  } else if (h.defaultSet) {
    saveDefaults(h.count, h.size, h.delay, h.loop, h.brief, h.comment, h.soundSuccess,
                 h.soundFailure);
  }
}

// Spellings other tools taught the user, each alone on the command line,
// and what this program calls them; with anything else beside them they are
// parsed (and refused) as they are.
const char* habitualSpelling(const char* word) {
  static const char* const kSpellings[][2] = {
      {"-h", "/?"}, {"--help", "/?"}, {"--version", "/version"}};
  for (const auto& spelling : kSpellings) {
    if (std::strcmp(word, spelling[0]) == 0) return spelling[1];
  }
  return word;
}

}  // namespace

std::string dashTargetHint(const std::string& target) {
  if (target.empty() || target[0] != '-') return "";
  return "Options start with / instead of - (for example /c 2).\r\n";
}

CliHandler::CliHandler(int argc, char* argv[])
    : CliHandler(*velmora::windows_specific::readFormattedVersionInfo(
                     velmora::windows_specific::kEnglishUnicodeTranslation),
                 argc, argv) {}

CliHandler::CliHandler(const velmora::windows_specific::FormattedVersionInfo& versionInfo, int argc,
                       char* argv[])
    : VelmoraStdOutput(versionInfo) {
  parse(argc, argv);
}

void CliHandler::write(const std::string& text) {
  uint32_t failure = 0;
  if (velmora::platform::writeStandardOutput(text, &failure)) return;
  velmora::platform::writeStandardError(outputFailureLine(failure));
  throw OutputRefused();
}

void CliHandler::parse(int argc, char* argv[]) {
  // The parser's own version text is never printed (the banner is), but it
  // is the project's version all the same.
  TCLAP::CmdLine cmd(description(), ' ', TAVRO_VERSION_SHORT, true);
  std::vector<int> soundIdList = {1, 2, 3, 4};
  TCLAP::ValuesConstraint<int> soundIds(soundIdList);
  CommandLineArgs args(&soundIds);
  args.registerWith(cmd);

  TCLAP::CmdLineOutput* output = this;
  TCLAP::HelpVisitor helpVisitor(&cmd, &output);
  TCLAP::SwitchArg help("?", "help", "Displays usage information and exits.", false, &helpVisitor);
  replaceHelpSwitch(cmd, &help);
  cmd.setOutput(this);
  std::vector<const char*> words(argv, argv + argc);
  if (argc == 2) words[1] = habitualSpelling(words[1]);
  cmd.parse(argc, words.data());

  defaultSet = args.defaultSet.getValue();
  defaultClear = args.defaultClear.getValue();
  host = args.host.getValue();
  resolveAddresses = args.resolveAddresses.getValue();
  if (!defaultClear) {
    loadDefaults(count, size, delay, loop, brief, comment, soundSuccess, soundFailure);
  }
  applyGivenOptions(args, *this);
  maintainDefaults(*this);
}
