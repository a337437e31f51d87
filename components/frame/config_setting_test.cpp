#include "components/frame/config_setting.h"

#include <gtest/gtest.h>

namespace velmora::components {
namespace {

TEST(ConfigSetting, NameWithoutEqualsIsAQuery) {
  ConfigSetting s = parseConfigSetting("CodePage");
  EXPECT_TRUE(s.isQuery);
  EXPECT_TRUE(s.is("codepage"));
  EXPECT_EQ(s.index, -1);
}

TEST(ConfigSetting, ValueDropsLeadingBlanksAndOneQuotePairLoosely) {
  EXPECT_EQ(parseConfigSetting("Key=   \"a b\"  ").value, "a b");
  EXPECT_EQ(parseConfigSetting("Key=\"open").value, "open");
  EXPECT_EQ(parseConfigSetting("Key=close\"").value, "close");
  EXPECT_EQ(parseConfigSetting("Key=\"\"x\"\"").value, "\"x\"");
  EXPECT_EQ(parseConfigSetting("Key=a\\b").value, "a\\b");
}

TEST(ConfigSetting, EmptyValueIsASetNotAQuery) {
  ConfigSetting s = parseConfigSetting("RecordToFile=");
  EXPECT_FALSE(s.isQuery);
  EXPECT_EQ(s.value, "");
}

TEST(ConfigSetting, OnlyTheFirstEqualsSplits) {
  EXPECT_EQ(parseConfigSetting("Spn=HTTP/host=x").value, "HTTP/host=x");
}

TEST(ConfigSetting, IndexInBracketsOrParenthesesIsTakenOutOfTheName) {
  ConfigSetting square = parseConfigSetting("Key[12]=v");
  EXPECT_EQ(square.name, "Key");
  EXPECT_EQ(square.index, 12);
  ConfigSetting round = parseConfigSetting("Key(3)");
  EXPECT_EQ(round.name, "Key");
  EXPECT_EQ(round.index, 3);
}

TEST(ConfigSetting, BooleansAcceptTrueYesAndOneOnly) {
  for (const char* yes : {"TRUE", "true", "Yes", "1"}) {
    EXPECT_TRUE(parseConfigSetting((std::string("K=") + yes).c_str()).boolValue()) << yes;
  }
  for (const char* no : {"on", "2", "", "False", "truex"}) {
    EXPECT_FALSE(parseConfigSetting((std::string("K=") + no).c_str()).boolValue()) << no;
  }
}

TEST(ConfigSetting, IntegersReadSignDecimalAndHex) {
  EXPECT_EQ(parseConfigSetting("K=0x10").intValue(), 16);
  EXPECT_EQ(parseConfigSetting("K=0XfF").intValue(), 255);
  EXPECT_EQ(parseConfigSetting("K=-42abc").intValue(), -42);
  EXPECT_EQ(parseConfigSetting("K=+7").intValue(), 7);
  EXPECT_EQ(parseConfigSetting("K=abc").intValue(), 0);
}

TEST(ConfigSetting, HugeIntegersSaturate) {
  EXPECT_EQ(parseConfigSetting("K=99999999999999999999999").intValue(), 2147483647);
  EXPECT_EQ(parseConfigSetting("K=-99999999999").intValue(), -2147483647 - 1);
}

TEST(ConfigSetting, FieldHelpersSetAndAnswer) {
  bool flag = false;
  std::string answer;
  EXPECT_TRUE(configBoolField(parseConfigSetting("flag=yes"), "Flag", &flag, &answer));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(configBoolField(parseConfigSetting("FLAG"), "Flag", &flag, &answer));
  EXPECT_EQ(answer, "True");
  EXPECT_FALSE(configBoolField(parseConfigSetting("Other"), "Flag", &flag, &answer));
}

}  // namespace
}  // namespace velmora::components
