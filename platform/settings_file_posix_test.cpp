#include "platform/settings_file_posix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"

namespace velmora::platform::settings {
namespace {

constexpr char kHeader[] = "[HKEY_CURRENT_USER\\k]\n";

std::vector<Section> parseOrFail(const std::string& text) {
  std::vector<Section> sections;
  std::string error;
  EXPECT_TRUE(parseSettings(text, &sections, &error)) << error;
  return sections;
}

std::string failure(const std::string& text) {
  std::vector<Section> sections;
  std::string error;
  if (parseSettings(text, &sections, &error)) return "";
  EXPECT_TRUE(sections.empty());
  EXPECT_FALSE(error.empty());
  return error;
}

void expectSame(const std::vector<Value>& a, const std::vector<Value>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].name, b[i].name);
    EXPECT_EQ(a[i].type, b[i].type) << a[i].name;
    EXPECT_EQ(a[i].data, b[i].data) << a[i].name;
  }
}

std::vector<Value> roundTrip(const std::vector<Value>& values) {
  std::vector<Section> sections =
      parseOrFail(formatSettings({{{"HKEY_CURRENT_USER", "k"}, values}}));
  return sections.size() == 1 ? sections[0].values : std::vector<Value>();
}

TEST(SettingsFile, WritesSectionsAndValuesInRegSyntax) {
  std::vector<Section> sections = {
      {{"HKEY_CURRENT_USER", "Software", "tavro"},
       {{"packet_count", kRegDword, std::string("\x0a\0\0\0", 4)},
        {"name", kRegSz, std::string("a \"q\" \\ b\0", 10)}}},
      {{"HKEY_CURRENT_USER", "Other"}, {{"x", kRegBinary, "\x01\x02"}, {"", kRegSz, {"d\0", 2}}}},
      {{"HKEY_CURRENT_USER", "Empty"}, {}}};
  const std::string text = formatSettings(sections);
  EXPECT_EQ(text,
            "[HKEY_CURRENT_USER\\Software\\tavro]\n"
            "\"packet_count\"=dword:0000000a\n"
            "\"name\"=\"a \\\"q\\\" \\\\ b\"\n"
            "\n[HKEY_CURRENT_USER\\Other]\n"
            "\"x\"=hex:01,02\n"
            "@=\"d\"\n"
            "\n[HKEY_CURRENT_USER\\Empty]\n");
  std::vector<Section> again = parseOrFail(text);
  ASSERT_EQ(again.size(), 3u);
  for (size_t i = 0; i < again.size(); ++i) {
    EXPECT_EQ(again[i].path, sections[i].path);
    expectSame(again[i].values, sections[i].values);
  }
}

TEST(SettingsFile, EveryValueTypeRoundTrips) {
  std::vector<Value> values = {
      {"dword", kRegDword, std::string("\xff\xfe\x00\x80", 4)},
      {"short dword", kRegDword, std::string("\x01\x02", 2)},
      {"string", kRegSz, std::string("line1\nline2\r\ttab\x01\x7f\xe9", 18)},
      {"unterminated", kRegSz, "abc"},
      {"inner zero", kRegSz, std::string("a\0b\0", 4)},
      {"empty string", kRegSz, std::string("\0", 1)},
      {"no data", kRegSz, ""},
      {"expand", kRegExpandSz, std::string("%TEMP%\0", 7)},
      {"multi", kRegMultiSz, std::string("a\0b\0\0", 5)},
      {"binary", kRegBinary, ""},
      {"qword", kRegQword, std::string("\1\2\3\4\5\6\7\x08", 8)},
      {"none", kRegNone, "\x00"},
      {"odd type", 0xfffffffeu, "zz"},
      {"", kRegDword, std::string("\7\0\0\0", 4)},
  };
  expectSame(values, roundTrip(values));
}

TEST(SettingsFile, NamesWithQuotesBackslashesAndControlsRoundTrip) {
  std::string longName(kMaxValueNameLength, 'n');
  std::vector<Value> values = {{"a\"b\\c\nd\x1b", kRegBinary, "1"},
                               {longName, kRegDword, std::string(4, '\0')},
                               {"=;@[x]", kRegBinary, "2"}};
  expectSame(values, roundTrip(values));
}

TEST(SettingsFile, ReadsCommentsBlankLinesCrlfAndShortDwords) {
  std::vector<Section> sections = parseOrFail(
      "; note\r\n\r\n[HKEY_CURRENT_USER\\a b]c]\r\n  "
      "\n\"a\"=dword:A\r\n\"b\"=hex(b):01,ff\n@=\"\"");
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(sections[0].path, (std::vector<std::string>{"HKEY_CURRENT_USER", "a b]c"}));
  const std::vector<Value>& values = sections[0].values;
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].data, std::string("\x0a\0\0\0", 4));
  EXPECT_EQ(values[1].type, kRegQword);
  EXPECT_EQ(values[1].data, "\x01\xff");
  EXPECT_EQ(values[2].name, "");
  EXPECT_EQ(values[2].data, std::string("\0", 1));
  EXPECT_TRUE(parseOrFail("").empty());
}

TEST(SettingsFile, RejectsMalformedValueLines) {
  const char* bad[] = {
      "\"a\"",                  // no data
      "\"a\"=",                 // empty data
      "a=dword:1",              // unquoted name
      "\"\"=dword:1",           // empty quoted name (the unnamed value is @)
      "\"a\"=dword:",           // no digits
      "\"a\"=dword:123456789",  // nine digits
      "\"a\"=dword:12g4",
      "\"a\"=hex:1,02",  // one-digit byte
      "\"a\"=hex:01,",   // trailing comma
      "\"a\"=hex:01 02",
      "\"a\"=hex(:01",
      "\"a\"=hex(123456789):01",
      "\"a\"=\"unterminated",
      "\"a\"=\"x\" trailing",
      "\"a\"=\"bad \\q escape\"",
      "\"a\"=\"bad \\x4 escape\"",
      "\"a\"=\"raw\ttab\"",  // raw control byte inside quotes
      "\"a\"=\"\\x00\"",     // a zero inside text: only the hex form holds it
      "\"a\"=-",             // deletion marker
      " \"a\"=dword:1",
      "\"a\"=dword:1\n\"A\"=dword:2",  // same name, other case
  };
  for (const char* text : bad) EXPECT_NE(failure(kHeader + std::string(text)), "") << text;
  EXPECT_NE(failure(kHeader + ("\"" + std::string(kMaxValueNameLength + 1, 'n') + "\"=hex:")), "");
}

TEST(SettingsFile, RejectsMalformedKeys) {
  const std::string bad[] = {
      "\"a\"=dword:1",  // a value before any key
      "[]",
      "[HKEY_CURRENT_USER\\]",
      "[HKEY_CURRENT_USER\\\\x]",
      "[HKEY_CURRENT_USER\\x] ",
      "[HKEY_CURRENT_USER\\x",
      "[HKEY_CURRENT_USER\\a\tb]",
      "[HKEY_CURRENT_USER\\" + std::string(kMaxKeyNameLength + 1, 'k') + "]",
      "[HKEY_CURRENT_USER\\Key]\n[hkey_current_user\\KEY]",  // same key, other case
  };
  for (const std::string& text : bad) EXPECT_NE(failure(text), "") << text;
  EXPECT_EQ(parseOrFail("[HKEY_CURRENT_USER\\" + std::string(kMaxKeyNameLength, 'k') + "]").size(),
            1u);
  EXPECT_TRUE(isKeyName("a/b.c"));
  EXPECT_FALSE(isKeyName("a\\b"));
  EXPECT_FALSE(isKeyName(""));
}

// The first fault in the file is the one named, whichever kind it is.
TEST(SettingsFile, FirstFaultIsNamed) {
  EXPECT_EQ(failure(kHeader + std::string("\"a\"=dword:1\n; c\n\"b\"=oops\n")),
            "line 4: not a registry value");
  EXPECT_EQ(failure(kHeader + std::string("\"a\"=dword:1\n\"A\"=dword:2\n\"b\"=oops\n")),
            "line 3: value named twice");
  EXPECT_EQ(failure("[HKEY_CURRENT_USER\\a]\n\n[HKEY_CURRENT_USER\\A]\n\"b\"=oops\n"),
            "line 3: key given twice");
  EXPECT_EQ(failure("\n\"b\"=dword:1\n"), "line 2: value outside a key");
  EXPECT_EQ(failure(kHeader + std::string("; a zero\0 in a comment\n", 23)),
            "line 2: not a registry value");
}

// Names repeat only within a key; each key has values of its own.
TEST(SettingsFile, ValueNamesAreKeptPerKey) {
  std::vector<Section> sections = parseOrFail(
      "[HKEY_CURRENT_USER\\a]\n\"v\"=dword:1\n[HKEY_CURRENT_USER\\a\\b]\n\"V\"=dword:2\n");
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[1].values[0].name, "V");
  EXPECT_EQ(sections[1].values[0].data, std::string("\2\0\0\0", 4));
}

TEST(SettingsFile, NamesMatchWithoutAsciiCase) {
  EXPECT_TRUE(sameName("Packet_Count", "packet_COUNT"));
  EXPECT_TRUE(sameName("\xc9t\xe9", "\xc9T\xe9"));
  EXPECT_FALSE(sameName("\xc9", "\xe9"));  // only ASCII folds
  EXPECT_FALSE(sameName("ab", "abc"));
  EXPECT_FALSE(sameName("@", "`"));
  EXPECT_FALSE(sameName("[", "{"));
}

// A file of the largest size that is read, all distinct names, is parsed
// whole, in order, and a case variant of an early name at its very end is
// still caught.
TEST(SettingsFile, LargeFileOfDistinctNames) {
  std::string text = kHeader;
  int count = 0;
  while (text.size() < 1000 * 1000) {
    text += "\"Name_" + std::to_string(count) + "\"=dword:" + std::to_string(count % 10) + "\n";
    ++count;
  }
  std::vector<Section> sections = parseOrFail(text);
  ASSERT_EQ(sections.size(), 1u);
  ASSERT_EQ(sections[0].values.size(), static_cast<size_t>(count));
  EXPECT_EQ(sections[0].values[12345].data, std::string("\x05\0\0\0", 4));
  EXPECT_EQ(failure(text + "\"nAME_17\"=dword:1\n"),
            "line " + std::to_string(count + 2) + ": value named twice");
}

}  // namespace
}  // namespace velmora::platform::settings
