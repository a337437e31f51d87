#include <gtest/gtest.h>

#include "app/target_names.h"

namespace {

TEST(IsValidIpv4Address, AcceptsFourDecimalGroupsBelow256) {
  for (const char* text : {"1.2.3.4", "0.0.0.0", "192.0.2.7", "255.255.255.255", "010.1.1.1"}) {
    EXPECT_TRUE(isValidIpv4Address(text)) << text;
  }
}

TEST(IsValidIpv4Address, RefusesEverythingElse) {
  for (const char* text :
       {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.256", "1..2.3", ".1.2.3", "1.2.3.4.",
        "1.2.3.-4", "a.b.c.d", "1234.1.1.1", "0001.1.1.1", "1.2.3.4 ", "fe80::1", "1.2.3.4444"}) {
    EXPECT_FALSE(isValidIpv4Address(text)) << text;
  }
}

}  // namespace
