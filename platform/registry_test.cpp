#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/registry_sandbox_test_support.h"

// The same expectations hold for the Win32 registry (under Wine when built
// for Windows) and for the file-backed hive on POSIX.
namespace velmora::platform {
namespace {

class RegistryService : public ::testing::Test {
 protected:
  std::string path(const std::string& relative) { return sandbox_.baseKey() + "\\" + relative; }

  RegistryKey create(const std::string& relative) {
    RegistryKey key;
    sandbox_.remember(path(relative));
    EXPECT_EQ(createRegistryKey(root_, path(relative).c_str(), kKeyAllAccess, &key), 0u);
    return key;
  }

  uint32_t set(const RegistryKey& key, const char* name, uint32_t type, const std::string& data) {
    return setRegistryValue(key, name, type, data.data(), static_cast<uint32_t>(data.size()));
  }

  testing::RegistrySandbox sandbox_;
  RegistryKey root_{RegistryRoot::kCurrentUser};
};

TEST_F(RegistryService, MissingKeyGives2AndCreateMakesParentsToo) {
  RegistryKey key;
  EXPECT_EQ(openRegistryKey(root_, path("a\\b").c_str(), kKeyRead, &key), kErrorFileNotFound);
  EXPECT_FALSE(key.isOpen());
  sandbox_.remember(path("a"));
  create("a\\b");
  EXPECT_EQ(openRegistryKey(root_, path("a\\b").c_str(), kKeyRead, &key), 0u);
  EXPECT_TRUE(key.isOpen());
  RegistryKey again;
  EXPECT_EQ(createRegistryKey(root_, path("a\\b").c_str(), kKeyRead, &again), 0u);
}

TEST_F(RegistryService, KeyAndValueNamesMatchWithoutCase) {
  RegistryKey written = create("MixedCase");
  ASSERT_EQ(set(written, "Packet_Count", kRegDword, std::string("\x0a\0\0\0", 4)), 0u);
  ASSERT_EQ(set(written, "PACKET_COUNT", kRegDword, std::string("\x0b\0\0\0", 4)), 0u);
  RegistryKey read;
  ASSERT_EQ(openRegistryKey(root_, path("mixedcase").c_str(), kKeyRead, &read), 0u);
  int32_t value = 0;
  uint32_t size = 4;
  EXPECT_EQ(queryRegistryValue(read, "packet_count", nullptr, &value, &size), 0u);
  EXPECT_EQ(value, 11);
}

TEST_F(RegistryService, ValuesKeepTypeAndBytes) {
  RegistryKey key = create("types");
  const std::string string("text \"q\" \\ \n\0", 13);
  const std::string binary("\x00\x01\xff", 3);
  const std::string qword("\1\2\3\4\5\6\7\x08", 8);
  ASSERT_EQ(set(key, "s", kRegSz, string), 0u);
  ASSERT_EQ(set(key, "b", kRegBinary, binary), 0u);
  ASSERT_EQ(set(key, "q", kRegQword, qword), 0u);
  ASSERT_EQ(set(key, "", kRegBinary, "d"), 0u);
  ASSERT_EQ(set(key, "e", kRegBinary, ""), 0u);
  struct Expected {
    const char* name;
    uint32_t type;
    std::string data;
  } expected[] = {{"s", kRegSz, string},
                  {"b", kRegBinary, binary},
                  {"q", kRegQword, qword},
                  {"", kRegBinary, "d"},
                  {"e", kRegBinary, ""}};
  for (const Expected& e : expected) {
    char buffer[32] = {};
    uint32_t type = 99, size = sizeof buffer;
    ASSERT_EQ(queryRegistryValue(key, e.name, &type, buffer, &size), 0u) << e.name;
    EXPECT_EQ(type, e.type) << e.name;
    EXPECT_EQ(std::string(buffer, size), e.data) << e.name;
  }
}

TEST_F(RegistryService, FourByteReadsOfOtherSizes) {
  RegistryKey key = create("sizes");
  ASSERT_EQ(set(key, "two", kRegBinary, "\x34\x12"), 0u);
  ASSERT_EQ(set(key, "eight", kRegQword, std::string(8, '\x01')), 0u);
  int32_t value = 0x7f7f7f7f;
  uint32_t size = 4;
  ASSERT_EQ(queryRegistryValue(key, "two", nullptr, &value, &size), 0u);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(static_cast<uint32_t>(value), 0x7f7f1234u);  // only two bytes overwritten
  size = 4;
  EXPECT_EQ(queryRegistryValue(key, "eight", nullptr, &value, &size), kErrorMoreData);
  EXPECT_EQ(size, 8u);
  size = 0;
  EXPECT_EQ(queryRegistryValue(key, "eight", nullptr, nullptr, &size), 0u);
  EXPECT_EQ(size, 8u);
  size = 4;
  EXPECT_EQ(queryRegistryValue(key, "absent", nullptr, &value, &size), kErrorFileNotFound);
}

TEST_F(RegistryService, HandleRightsAreEnforced) {
  create("rights");
  RegistryKey queryOnly;
  ASSERT_EQ(openRegistryKey(root_, path("rights").c_str(), kKeyQueryValue, &queryOnly), 0u);
  EXPECT_EQ(set(queryOnly, "v", kRegDword, std::string(4, '\0')), kErrorAccessDenied);
  RegistryKey setOnly;
  ASSERT_EQ(openRegistryKey(root_, path("rights").c_str(), kKeySetValue, &setOnly), 0u);
  ASSERT_EQ(set(setOnly, "v", kRegDword, std::string(4, '\0')), 0u);
  uint32_t value = 0, size = 4;
  EXPECT_EQ(queryRegistryValue(setOnly, "v", nullptr, &value, &size), kErrorAccessDenied);
}

TEST_F(RegistryService, DeletingKeyWithSubkeysIsDenied) {
  create("parent");
  create("parent\\child");
  RegistryKey base;
  ASSERT_EQ(openRegistryKey(root_, sandbox_.baseKey().c_str(), kKeyAllAccess, &base), 0u);
  EXPECT_EQ(deleteRegistryKey(base, "parent"), kErrorAccessDenied);
  EXPECT_EQ(deleteRegistryKey(base, "PARENT\\Child"), 0u);
  EXPECT_EQ(deleteRegistryKey(base, "parent"), 0u);
  EXPECT_EQ(deleteRegistryKey(base, "parent"), kErrorFileNotFound);
  RegistryKey gone;
  EXPECT_EQ(openRegistryKey(root_, path("parent").c_str(), kKeyRead, &gone), kErrorFileNotFound);
}

TEST_F(RegistryService, DeletedKeyLosesItsValues) {
  RegistryKey key = create("recreated");
  ASSERT_EQ(set(key, "v", kRegDword, std::string(4, '\1')), 0u);
  key.close();
  RegistryKey base;
  ASSERT_EQ(openRegistryKey(root_, sandbox_.baseKey().c_str(), kKeyAllAccess, &base), 0u);
  ASSERT_EQ(deleteRegistryKey(base, "recreated"), 0u);
  RegistryKey fresh = create("recreated");
  uint32_t value = 0, size = 4;
  EXPECT_EQ(queryRegistryValue(fresh, "v", nullptr, &value, &size), kErrorFileNotFound);
}

TEST_F(RegistryService, MovedKeyHandleClosesOnce) {
  RegistryKey first = create("moved");
  RegistryKey second(std::move(first));
  EXPECT_FALSE(first.isOpen());
  ASSERT_TRUE(second.isOpen());
  first = std::move(second);
  EXPECT_EQ(set(first, "v", kRegBinary, "x"), 0u);
}

}  // namespace
}  // namespace velmora::platform
