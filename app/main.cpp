#include <boost/shared_ptr.hpp>
#include <exception>
#include <iostream>

#include "app/cli_handler.h"
#include "platform/console_control.h"
#include "platform/console_output.h"

namespace {

// Reports an exception that escaped the program object; returns the exit code.
int reportUnexpected(const std::exception& e) {
  std::cerr << "Unknown error: " << e.what();
  return 10;
}

}  // namespace

int main(int argc, char* argv[]) {
  velmora::platform::useBinaryConsoleStreams();
  boost::shared_ptr<CliHandler> handler;
  try {
    handler.reset(new CliHandler(argc, argv));
  } catch (TCLAP::ArgException& e) {
    std::cerr << "error: " << e.error() << " for arg " << e.argId() << std::endl;
    return 1;
  } catch (const std::exception& e) {
    return reportUnexpected(e);
  }
  velmora::platform::setConsoleCtrlHandler(consoleCtrlHandler);
  try {
    return handler->run();
  } catch (const std::exception& e) {
    // Nothing inside the run is expected to throw; if something does, end
    // with the same report as during start-up rather than an abort.
    return reportUnexpected(e);
  }
}
