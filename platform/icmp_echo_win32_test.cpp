#include <windows.h>

#include "platform/icmp_echo.h"

#include <gtest/gtest.h>

namespace velmora::platform {
namespace {

// Wine marks itself with an export of its ntdll.
bool runningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Windows always gives an ICMPv6 handle; Wine 8 does not implement the call.
// Either way a missing handle comes with the reason, never with 0.
TEST(Icmp6EchoWin32, HandleOpensOrSaysWhyNot) {
  uint32_t error = 0;
  std::unique_ptr<Icmp6Echo> echo = Icmp6Echo::open(&error);
  if (!echo) {
    EXPECT_TRUE(runningUnderWine()) << "Icmp6CreateFile failed with " << error;
    EXPECT_NE(error, 0u);
    return;
  }
  EXPECT_EQ(error, 0u);
}

}  // namespace
}  // namespace velmora::platform
