#include "app/cli_handler.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

// Checked on POSIX only, where death-test messages are matched with
// extended regular expressions that span lines.
TEST(CliHandlerUsageDeathTest, ListsArgumentsInRegistrationOrder) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::string words[] = {"tavro", "/?"};
  char* argv[] = {&words[0][0], &words[1][0]};
  // The usage text goes to standard output; send it to standard error so
  // that its order can be checked.
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        CliHandler(velmora::windows_specific::FormattedVersionInfo(), 2, argv);
      },
      ::testing::ExitedWithCode(0),
      "\\[/a\\] \\[/u\\] \\[/b\\] \\[/v\\] \\[/x\\] \\[/w\\] \\[/f <1\\|2\\|3\\|4>\\] "
      "\\[/p <1\\|2\\|3\\|4>\\] \\[/l\\][[:space:]]+\\[/d <delay>\\] \\[/s <size>\\] "
      "\\[/t <tcptimeout>\\] \\[/c <count>\\] \\[//\\][[:space:]]+\\[/version\\] \\[/\\?\\] "
      "<host>");
}

}  // namespace
