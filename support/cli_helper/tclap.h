#ifndef TAVRO_SUPPORT_CLI_HELPER_TCLAP_H_
#define TAVRO_SUPPORT_CLI_HELPER_TCLAP_H_

// The one way into the command-line parser: options are written "/c 10" and
// "/count 10", so both prefixes are "/". The library reads these macros when
// it is first included, hence every user includes it through this header.
#if defined(TCLAP_ARGUMENT_H)
#error "include support/cli_helper/tclap.h before any other parser header"
#endif

#define TCLAP_FLAGSTARTCHAR '/'
#define TCLAP_FLAGSTARTSTRING "/"
#define TCLAP_NAMESTARTSTRING "/"

#include <tclap/CmdLine.h>
#include <tclap/HelpVisitor.h>
#include <tclap/StdOutput.h>
#include <tclap/ValuesConstraint.h>

#endif  // TAVRO_SUPPORT_CLI_HELPER_TCLAP_H_
