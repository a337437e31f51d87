#include <boost/shared_ptr.hpp>
#include <exception>
#include <iostream>
#include <stdexcept>

#include "app/cli_handler.h"
#include "platform/console_control.h"
#include "platform/console_output.h"
#include "platform/icmp_echo.h"
#include "platform/privilege.h"

namespace {

// Reports an exception that escaped the program object; returns the exit code.
int reportUnexpected(const std::exception& e) {
  std::cerr << "Unknown error: " << e.what();
  return 10;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Before anything user-chosen can run (stored defaults, sound libraries
  // reading the user's configuration, name lookups): the ICMP socket is
  // taken and every privilege given up.
  if (!velmora::platform::openPrivilegedHandlesAndDropPrivileges()) {
    return reportUnexpected(std::runtime_error("the process could not give up its privileges"));
  }
  velmora::platform::useBinaryConsoleStreams();
  boost::shared_ptr<CliHandler> handler;
  try {
    handler.reset(new CliHandler(argc, argv));
  } catch (TCLAP::ArgException& e) {
    std::cerr << "error: " << e.error() << " for arg " << e.argId() << std::endl;
    return 1;
  } catch (const OutputRefused&) {
    return 1;
  } catch (const std::exception& e) {
    return reportUnexpected(e);
  }
  // TCP probes need no ICMP socket.
  if (splitProbeTarget(handler->host).port != 0) velmora::platform::IcmpEcho::release();
  velmora::platform::setConsoleCtrlHandler(consoleCtrlHandler);
  try {
    return handler->run();
  } catch (const std::exception& e) {
    // Nothing inside the run is expected to throw; if something does, end
    // with the same report as during start-up rather than an abort.
    return reportUnexpected(e);
  }
}
