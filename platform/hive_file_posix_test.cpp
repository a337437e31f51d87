#include "platform/hive_file_posix.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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
  ASSERT_TRUE(list.put("Packet_Count", kRegDword, "1"));
  ASSERT_TRUE(list.put("PACKET_COUNT", kRegBinary, "2"));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list.at(0).name, "Packet_Count");
  EXPECT_EQ(list.at(0).type, kRegBinary);
  ASSERT_TRUE(list.find("packet_count"));
  EXPECT_EQ(list.find("packet_count")->data, "2");
  EXPECT_FALSE(list.add("packet_COUNT", kRegDword, "3"));
  EXPECT_EQ(list.find("Packet_Count")->data, "2");
  EXPECT_TRUE(sameName("\xc9t\xe9", "\xc9T\xe9"));
  EXPECT_FALSE(sameName("\xc9", "\xe9"));  // only ASCII folds
  EXPECT_FALSE(sameName("ab", "abc"));
  // Folding works eight bytes at a time: the bytes around 'A'..'Z' and
  // 'a'..'z', and bytes with the high bit set, stay as they are.
  const std::string edges = "@AZ[`az{\xc1\xda\xe1\xfa";
  EXPECT_TRUE(list.add(edges, kRegDword, "4"));
  EXPECT_TRUE(list.find("@az[`AZ{\xc1\xda\xe1\xfa"));
  EXPECT_FALSE(list.find("`az[`az{\xc1\xda\xe1\xfa"));
  EXPECT_FALSE(list.find("@az[`az{\xe1\xda\xe1\xfa"));
}

TEST(HiveFile, PutKeepsOrderAndLaterValuesFindable) {
  ValueList list;
  for (const char* name : {"c", "a", "b"}) ASSERT_TRUE(list.add(name, kRegBinary, name));
  ASSERT_TRUE(list.put("A", kRegSz, std::string("long enough to move\0", 20)));
  ASSERT_TRUE(list.put("d", kRegBinary, ""));
  std::vector<std::string> names;
  for (size_t i = 0; i < list.size(); ++i) names.emplace_back(list.at(i).name);
  EXPECT_EQ(names, (std::vector<std::string>{"c", "a", "b", "d"}));
  EXPECT_EQ(list.find("a")->data, std::string("long enough to move\0", 20));
  EXPECT_EQ(list.find("b")->data, "b");
  EXPECT_EQ(formatValues(list),
            "\"c\"=hex:63\n\"a\"=\"long enough to move\"\n\"b\"=hex:62\n\"d\"=hex:\n");
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
  ASSERT_EQ(list.size(), static_cast<size_t>(kCount));
  EXPECT_EQ(list.at(kCount - 1).name, "Name_" + std::to_string(kCount - 1));
  const std::optional<ValueRef> middle = list.find("NAME_123457");
  ASSERT_TRUE(middle);
  EXPECT_EQ(middle->data, std::string("\x07\0\0\0", 4));
  EXPECT_FALSE(list.find("Name_" + std::to_string(kCount)));

  ASSERT_FALSE(parseValues(text + "\"nAME_17\"=dword:1\n", &list, &error));
  EXPECT_EQ(error, "line " + std::to_string(kCount + 1) + ": value named twice");
}

// The first fault in the file is the one named, whichever kind it is.
TEST(HiveFile, FirstFaultIsNamed) {
  ValueList list;
  std::string error;
  ASSERT_FALSE(parseValues("\"a\"=dword:1\n\"A\"=dword:2\n\"b\"=oops\n", &list, &error));
  EXPECT_EQ(error, "line 2: value named twice");
  ASSERT_FALSE(parseValues("\"a\"=dword:1\n\"b\"=oops\n\"A\"=dword:2\n", &list, &error));
  EXPECT_EQ(error, "line 2: not a registry value");
  ASSERT_FALSE(
      parseValues("\"x\"=dword:1\n\"a\"=dword:1\n\"x\"=dword:2\n\"A\"=dword:2\n", &list, &error));
  EXPECT_EQ(error, "line 3: value named twice");
  ASSERT_FALSE(parseValues(std::string("; a zero\0 in a comment\n", 23), &list, &error));
  EXPECT_EQ(error, "line 1: not a registry value");
}

// A file read in pieces of any size, cut anywhere (inside a name, between
// CR and LF), gives the values the whole text gives.
TEST(HiveFile, PiecesCutAnywhereParseAsTheWhole) {
  const std::string text =
      "; note\r\n\"first\"=dword:1\r\n\n\"with "
      "\\\"quote\\\"\"=\"text\"\n\"bin\"=hex:01,02,03\n@=hex(7):61,00";
  std::vector<Value> whole;
  std::string error;
  ASSERT_TRUE(parseValues(text, &whole, &error)) << error;
  for (size_t piece = 1; piece <= text.size(); ++piece) {
    ValueList list;
    ValuesParser parser(&list, 0);
    std::string pending;
    size_t at = 0;
    bool ok = true;
    while (ok) {
      const bool atEnd = at >= text.size();
      if (!atEnd) pending += text.substr(at, piece);
      at += piece;
      size_t used = 0;
      ok = parser.parse(pending, atEnd, &used);
      pending.erase(0, used);
      if (atEnd) break;
    }
    ASSERT_TRUE(ok && parser.finish()) << piece << ": " << parser.error();
    ASSERT_EQ(list.size(), whole.size()) << piece;
    for (size_t i = 0; i < whole.size(); ++i) {
      EXPECT_EQ(list.at(i).name, whole[i].name) << piece;
      EXPECT_EQ(list.at(i).data, whole[i].data) << piece;
    }
  }
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
