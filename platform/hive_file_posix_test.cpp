#include "platform/hive_file_posix.h"

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace velmora::platform::hive {
namespace {

std::vector<Value> parseOrFail(const std::string& text) {
  std::vector<Value> values;
  std::string error;
  EXPECT_TRUE(parseValues(text, &values, &error)) << error;
  return values;
}

bool rejects(const std::string& text) {
  std::vector<Value> values;
  std::string error;
  bool ok = parseValues(text, &values, &error);
  if (!ok) {
    EXPECT_FALSE(error.empty());
  }
  return !ok;
}

std::vector<Value> roundTrip(const std::vector<Value>& values) {
  return parseOrFail(formatValues(values));
}

void expectSame(const std::vector<Value>& a, const std::vector<Value>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].name, b[i].name);
    EXPECT_EQ(a[i].type, b[i].type) << a[i].name;
    EXPECT_EQ(a[i].data, b[i].data) << a[i].name;
  }
}

TEST(HiveFile, WritesDwordsAndStringsInRegSyntax) {
  std::vector<Value> values = {{"packet_count", kRegDword, std::string("\x0a\0\0\0", 4)},
                               {"name", kRegSz, std::string("a \"q\" \\ b\0", 10)},
                               {"x", kRegBinary, "\x01\x02"},
                               {"", kRegSz, std::string("d\0", 2)}};
  EXPECT_EQ(formatValues(values),
            "\"packet_count\"=dword:0000000a\n"
            "\"name\"=\"a \\\"q\\\" \\\\ b\"\n"
            "\"x\"=hex:01,02\n"
            "@=\"d\"\n");
}

TEST(HiveFile, EveryValueTypeRoundTrips) {
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

TEST(HiveFile, NamesWithQuotesBackslashesAndControlsRoundTrip) {
  std::string longName(kMaxValueNameLength, 'n');
  std::vector<Value> values = {{"a\"b\\c\nd\x1b", kRegBinary, "1"},
                               {longName, kRegDword, std::string(4, '\0')},
                               {"=;@", kRegBinary, "2"}};
  expectSame(values, roundTrip(values));
}

TEST(HiveFile, ReadsCommentsBlankLinesCrlfAndShortDwords) {
  std::vector<Value> values =
      parseOrFail("; note\r\n\r\n  \n\"a\"=dword:A\r\n\"b\"=hex(b):01,ff\n@=\"\"");
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].data, std::string("\x0a\0\0\0", 4));
  EXPECT_EQ(values[1].type, kRegQword);
  EXPECT_EQ(values[1].data, "\x01\xff");
  EXPECT_EQ(values[2].name, "");
  EXPECT_EQ(values[2].data, std::string("\0", 1));
}

TEST(HiveFile, RejectsMalformedLines) {
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
      "[HKEY_CURRENT_USER\\x]",
      "\"a\"=dword:1\n\"A\"=dword:2",  // same name, other case
  };
  for (const char* text : bad) EXPECT_TRUE(rejects(text)) << text;
  EXPECT_TRUE(rejects("\"" + std::string(kMaxValueNameLength + 1, 'n') + "\"=hex:"));
}

TEST(HiveFile, ErrorNamesTheLine) {
  std::vector<Value> values;
  std::string error;
  ASSERT_FALSE(parseValues("\"a\"=dword:1\n; c\n\"b\"=oops\n", &values, &error));
  EXPECT_EQ(error, "line 3: not a registry value");
}

TEST(HiveFile, NamesMatchWithoutAsciiCase) {
  ValueList list;
  list.put("Packet_Count", kRegDword, "1");
  list.put("PACKET_COUNT", kRegBinary, "2");
  const std::vector<Value>& values = list.values();
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "Packet_Count");
  EXPECT_EQ(values[0].type, kRegBinary);
  ASSERT_NE(list.find("packet_count"), nullptr);
  EXPECT_EQ(list.find("packet_count")->data, "2");
  EXPECT_FALSE(list.add(Value{"packet_COUNT", kRegDword, "3"}));
  EXPECT_EQ(list.find("Packet_Count")->data, "2");
  EXPECT_TRUE(sameName("\xc9t\xe9", "\xc9T\xe9"));
  EXPECT_FALSE(sameName("\xc9", "\xe9"));  // only ASCII folds
  EXPECT_FALSE(sameName("ab", "abc"));
}

// A file of a few hundred thousand distinct names (a hostile or careless
// writer's) is read whole, in order, and a case variant of an early name
// at its very end is still caught.
TEST(HiveFile, LargeFileOfDistinctNames) {
  constexpr int kCount = 300000;
  std::string text;
  for (int i = 0; i < kCount; ++i) {
    text += "\"Name_" + std::to_string(i) + "\"=dword:" + std::to_string(i % 10) + "\n";
  }
  ValueList list;
  std::string error;
  ASSERT_TRUE(parseValues(text, &list, &error)) << error;
  ASSERT_EQ(list.values().size(), static_cast<size_t>(kCount));
  EXPECT_EQ(list.values()[kCount - 1].name, "Name_" + std::to_string(kCount - 1));
  const Value* middle = list.find("NAME_123457");
  ASSERT_NE(middle, nullptr);
  EXPECT_EQ(middle->data, std::string("\x07\0\0\0", 4));
  EXPECT_EQ(list.find("Name_" + std::to_string(kCount)), nullptr);

  ASSERT_FALSE(parseValues(text + "\"nAME_17\"=dword:1\n", &list, &error));
  EXPECT_EQ(error, "line " + std::to_string(kCount + 1) + ": value named twice");
}

TEST(HiveFile, KeyNamesBecomeSafeDirectoryNames) {
  EXPECT_EQ(encodeKeyName("tavro"), "tavro");
  EXPECT_EQ(encodeKeyName("a/b%c"), "a%2fb%25c");
  EXPECT_EQ(encodeKeyName(".lock"), "%2elock");
  EXPECT_EQ(encodeKeyName(".."), "%2e.");
  EXPECT_EQ(encodeKeyName("x.y\n"), "x.y%0a");
  for (std::string name : {"tavro", "a/b%c", ".values.reg", "..", "sp ace\x01\xff"}) {
    std::string decoded;
    ASSERT_TRUE(decodeKeyName(encodeKeyName(name), &decoded)) << name;
    EXPECT_EQ(decoded, name);
  }
}

TEST(HiveFile, DotFilesAndForeignNamesAreNotKeys) {
  std::string name;
  for (const char* entry :
       {".values.reg", ".lock", ".", "..", "", "bad%", "bad%2", "bad%zz", "upper%2F", "plain%41"}) {
    EXPECT_FALSE(decodeKeyName(entry, &name)) << entry;
  }
}

}  // namespace
}  // namespace velmora::platform::hive
