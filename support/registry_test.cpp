#include "support/registry.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry_sandbox_test_support.h"

namespace {

namespace platform = velmora::platform;

class CRegistryTest : public ::testing::Test {
 protected:
  CRegistryTest() : key_(sandbox_.baseKey() + "\\values") { sandbox_.remember(key_); }

  // Stores a value of any type and size, as another program might have.
  void store(const char* name, uint32_t type, const std::string& data) {
    platform::RegistryKey root(platform::RegistryRoot::kCurrentUser), key;
    ASSERT_EQ(platform::createRegistryKey(root, key_.c_str(), platform::kKeyAllAccess, &key), 0u);
    ASSERT_EQ(platform::setRegistryValue(key, name, type, data.data(),
                                         static_cast<uint32_t>(data.size())),
              0u);
  }

  platform::testing::RegistrySandbox sandbox_;
  CRegistry registry_{platform::RegistryRoot::kCurrentUser, false};
  std::string key_;
};

TEST_F(CRegistryTest, CreateKeyMakesTheKeyAndKeepsAnExistingOne) {
  EXPECT_FALSE(registry_.keyExists(key_.c_str()));
  EXPECT_STRNE(registry_.lastErrorText(), "");
  ASSERT_TRUE(registry_.createKey(key_.c_str()));
  EXPECT_STREQ(registry_.lastErrorText(), "");
  ASSERT_TRUE(registry_.writeDword(key_.c_str(), "kept", 5));
  EXPECT_TRUE(registry_.createKey(key_.c_str()));
  int32_t kept = 0;
  EXPECT_TRUE(registry_.readDword(key_.c_str(), "kept", kept));
  EXPECT_EQ(kept, 5);
}

TEST_F(CRegistryTest, WritesFourByteDwords) {
  ASSERT_TRUE(registry_.createKey(key_.c_str()));
  ASSERT_TRUE(registry_.writeDword(key_.c_str(), "n", -2));
  ASSERT_TRUE(registry_.writeFlag(key_.c_str(), "on", true));
  ASSERT_TRUE(registry_.writeFlag(key_.c_str(), "off", false));
  platform::RegistryKey root(platform::RegistryRoot::kCurrentUser), key;
  ASSERT_EQ(platform::openRegistryKey(root, key_.c_str(), platform::kKeyRead, &key), 0u);
  struct {
    const char* name;
    std::string bytes;
  } expected[] = {
      {"n", "\xfe\xff\xff\xff"}, {"on", std::string("\1\0\0\0", 4)}, {"off", std::string(4, '\0')}};
  for (const auto& e : expected) {
    char data[8];
    uint32_t type = 0, size = sizeof data;
    ASSERT_EQ(platform::queryRegistryValue(key, e.name, &type, data, &size), 0u);
    EXPECT_EQ(type, platform::kRegDword);
    EXPECT_EQ(std::string(data, size), e.bytes) << e.name;
  }
}

TEST_F(CRegistryTest, WriteToMissingKeyFailsWithText) {
  EXPECT_FALSE(registry_.writeDword(key_.c_str(), "n", 1));
  EXPECT_STRNE(registry_.lastErrorText(), "");
  EXPECT_FALSE(registry_.keyExists(key_.c_str()));
}

TEST_F(CRegistryTest, ReadDwordTakesUpToFourBytesOfAnyType) {
  store("dword", platform::kRegDword, std::string("\x0a\0\0\0", 4));
  store("two", platform::kRegBinary, std::string("\x10\x00", 2));
  store("eight", platform::kRegQword, std::string(8, '\x01'));
  int32_t value = 0;
  EXPECT_TRUE(registry_.readDword(key_.c_str(), "dword", value));
  EXPECT_EQ(value, 10);
  value = 0x11223344;
  EXPECT_TRUE(registry_.readDword(key_.c_str(), "two", value));
  EXPECT_EQ(value, 0x11220010);
  EXPECT_FALSE(registry_.readDword(key_.c_str(), "eight", value));
  EXPECT_STRNE(registry_.lastErrorText(), "");
}

TEST_F(CRegistryTest, ReadDwordOfMissingValueLeavesTheVariable) {
  store("other", platform::kRegDword, std::string(4, '\0'));
  int32_t value = 150;
  EXPECT_FALSE(registry_.readDword(key_.c_str(), "packet_delay", value));
  EXPECT_EQ(value, 150);
  EXPECT_STRNE(registry_.lastErrorText(), "");
  EXPECT_TRUE(registry_.readDword(key_.c_str(), "other", value));
  EXPECT_STREQ(registry_.lastErrorText(), "");
}

TEST_F(CRegistryTest, FlagIsOnOnlyForFourByteOne) {
  store("one", platform::kRegDword, std::string("\1\0\0\0", 4));
  store("zero", platform::kRegDword, std::string(4, '\0'));
  store("two", platform::kRegDword, std::string("\2\0\0\0", 4));
  store("text", platform::kRegSz, std::string("1\0", 2));
  store("short", platform::kRegBinary, "\1");
  bool flag = false;
  EXPECT_TRUE(registry_.readFlag(key_.c_str(), "one", flag));
  EXPECT_TRUE(flag);
  for (const char* name : {"zero", "two", "text"}) {
    flag = true;
    EXPECT_TRUE(registry_.readFlag(key_.c_str(), name, flag)) << name;
    EXPECT_FALSE(flag) << name;
  }
  flag = true;
  EXPECT_FALSE(registry_.readFlag(key_.c_str(), "missing", flag));
  EXPECT_FALSE(flag);
  EXPECT_STRNE(registry_.lastErrorText(), "");
}

TEST_F(CRegistryTest, DeletingMissingSubkeyCountsAsDone) {
  EXPECT_TRUE(registry_.deleteSubKey(sandbox_.baseKey().c_str(), "never-created"));
  EXPECT_STREQ(registry_.lastErrorText(), "");
}

TEST_F(CRegistryTest, DeletingSubkeyWithSubkeysFailsAndKeepsIt) {
  std::string child = key_ + "\\child";
  sandbox_.remember(child);
  ASSERT_TRUE(registry_.createKey(child.c_str()));
  EXPECT_FALSE(registry_.deleteSubKey(sandbox_.baseKey().c_str(), "values"));
  EXPECT_STRNE(registry_.lastErrorText(), "");
  EXPECT_TRUE(registry_.keyExists(child.c_str()));
  EXPECT_TRUE(registry_.deleteSubKey(key_.c_str(), "CHILD"));
  EXPECT_TRUE(registry_.deleteSubKey(sandbox_.baseKey().c_str(), "values"));
  EXPECT_FALSE(registry_.keyExists(key_.c_str()));
}

// A 200-character parent: a probe of the path cut to 180 characters would
// look at some other key.
class CRegistryLongPathTest : public CRegistryTest {
 protected:
  CRegistryLongPathTest() {
    std::string base = sandbox_.baseKey() + "\\";
    parent_ = base + std::string(200 - base.size(), 'p');
    cutSibling_ = parent_.substr(0, 180) + "\\child";
    sandbox_.remember(parent_);
    sandbox_.remember(parent_.substr(0, 180));
    sandbox_.remember(cutSibling_);
    sandbox_.remember(parent_ + "\\child");
  }
  std::string parent_;
  std::string cutSibling_;
};

TEST_F(CRegistryLongPathTest, DeletesTheRealSubkeyWhenTheCutPathIsMissing) {
  ASSERT_EQ(parent_.size(), 200u);
  ASSERT_TRUE(registry_.createKey((parent_ + "\\child").c_str()));
  EXPECT_TRUE(registry_.deleteSubKey(parent_.c_str(), "child"));
  EXPECT_FALSE(registry_.keyExists((parent_ + "\\child").c_str()));
}

TEST_F(CRegistryLongPathTest, LeavesTheKeyAtTheCutPathAlone) {
  ASSERT_TRUE(registry_.createKey(parent_.c_str()));
  ASSERT_TRUE(registry_.createKey(cutSibling_.c_str()));
  EXPECT_TRUE(registry_.deleteSubKey(parent_.c_str(), "child"));
  EXPECT_STREQ(registry_.lastErrorText(), "");
  EXPECT_TRUE(registry_.keyExists(cutSibling_.c_str()));
}

TEST_F(CRegistryTest, ThirtyTwoBitViewSeesTheSameUserKeys) {
  CRegistry view32(platform::RegistryRoot::kCurrentUser, true);
  ASSERT_TRUE(view32.createKey(key_.c_str()));
  ASSERT_TRUE(view32.writeDword(key_.c_str(), "n", 7));
  int32_t value = 0;
  EXPECT_TRUE(registry_.readDword(key_.c_str(), "n", value));
  EXPECT_EQ(value, 7);
  bool flag = true;
  EXPECT_TRUE(view32.readFlag(key_.c_str(), "n", flag, platform::kKeyEnumerateSubKeys));
  EXPECT_FALSE(flag);
}

}  // namespace
