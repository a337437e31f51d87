#include "app/stored_defaults.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"
#include "platform/registry_sandbox_test_support.h"

namespace {

namespace platform = velmora::platform;

constexpr char kKey[] = "Software\\velmorasoft\\toolvane\\tavro";

struct Options {
  int32_t count = 4, size = 32, delay = 150;
  bool loop = false, brief = false, comment = false;
  int32_t soundSuccess = 0, soundFailure = 0;

  void load() {
    loadDefaults(count, size, delay, loop, brief, comment, soundSuccess, soundFailure);
  }
  void save() const {
    saveDefaults(count, size, delay, loop, brief, comment, soundSuccess, soundFailure);
  }
};

// Works on the program's own key, so under Windows it runs only when that key
// does not exist yet, and removes it again.
class StoredDefaults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!sandbox_.isPrivate()) {
      platform::RegistryKey probe;
      if (platform::openRegistryKey(root_, kKey, platform::kKeyRead, &probe) == 0) {
        GTEST_SKIP() << "the user's stored defaults exist; not touching them";
      }
    }
    sandbox_.remember("Software\\velmorasoft");
    sandbox_.remember("Software\\velmorasoft\\toolvane");
    sandbox_.remember(kKey);
  }

  uint32_t readRaw(const char* name, uint32_t* type, std::string* data) {
    platform::RegistryKey key;
    uint32_t rc = platform::openRegistryKey(root_, kKey, platform::kKeyRead, &key);
    char buffer[16];
    uint32_t size = sizeof buffer;
    if (rc == 0) rc = platform::queryRegistryValue(key, name, type, buffer, &size);
    if (rc == 0) data->assign(buffer, size);
    return rc;
  }

  void storeRaw(const char* name, uint32_t type, const std::string& data) {
    platform::RegistryKey key;
    ASSERT_EQ(platform::createRegistryKey(root_, kKey, platform::kKeyAllAccess, &key), 0u);
    ASSERT_EQ(platform::setRegistryValue(key, name, type, data.data(),
                                         static_cast<uint32_t>(data.size())),
              0u);
  }

  platform::testing::RegistrySandbox sandbox_;
  platform::RegistryKey root_{platform::RegistryRoot::kCurrentUser};
};

TEST_F(StoredDefaults, SavesAllEightAsDwords) {
  Options().save();
  const char* names[] = {"packet_count", "packet_size",        "packet_delay",  "loop",
                         "ping_quick",   "ping_quick_comment", "sound_success", "sound_failure"};
  const int32_t expected[] = {4, 32, 150, 0, 0, 0, 0, 0};
  for (int i = 0; i < 8; ++i) {
    uint32_t type = 0;
    std::string data;
    ASSERT_EQ(readRaw(names[i], &type, &data), 0u) << names[i];
    EXPECT_EQ(type, platform::kRegDword);
    ASSERT_EQ(data.size(), 4u);
    int32_t value = static_cast<unsigned char>(data[0]) | static_cast<unsigned char>(data[1]) << 8;
    EXPECT_EQ(value, expected[i]) << names[i];
  }
}

TEST_F(StoredDefaults, LoadGivesBackWhatWasSaved) {
  Options saved;
  saved.count = 10;
  saved.size = 1000;
  saved.delay = -1;
  saved.loop = saved.brief = saved.comment = true;
  saved.soundSuccess = 3;
  saved.soundFailure = 4;
  saved.save();
  Options loaded;
  loaded.load();
  EXPECT_EQ(loaded.count, 10);
  EXPECT_EQ(loaded.size, 1000);
  EXPECT_EQ(loaded.delay, -1);
  EXPECT_TRUE(loaded.loop && loaded.brief && loaded.comment);
  EXPECT_EQ(loaded.soundSuccess, 3);
  EXPECT_EQ(loaded.soundFailure, 4);
}

TEST_F(StoredDefaults, LoadWithoutKeyKeepsTheVariables) {
  Options options;
  options.count = 7;
  options.brief = true;
  options.load();
  EXPECT_EQ(options.count, 7);
  EXPECT_TRUE(options.brief);
  EXPECT_EQ(options.delay, 150);
}

TEST_F(StoredDefaults, OddlyStoredValuesFollowTheReadingRules) {
  storeRaw("packet_size", platform::kRegBinary, std::string("\x00\x02", 2));
  storeRaw("packet_count", platform::kRegQword, std::string(8, '\0'));
  storeRaw("loop", platform::kRegDword, std::string("\2\0\0\0", 4));
  storeRaw("ping_quick", platform::kRegSz, std::string("1\0", 2));
  storeRaw("ping_quick_comment", platform::kRegDword, std::string("\1\0\0\0", 4));
  Options options;
  options.size = 0x12345678;
  options.loop = options.brief = true;
  options.load();
  EXPECT_EQ(options.size, 0x12340200);  // two bytes overwritten
  EXPECT_EQ(options.count, 4);          // too long to read: left alone
  EXPECT_FALSE(options.loop);
  EXPECT_FALSE(options.brief);
  EXPECT_TRUE(options.comment);
  EXPECT_EQ(options.delay, 150);  // not stored
}

TEST_F(StoredDefaults, ClearDeletesTheKeyAndSucceedsWhenNoneExists) {
  Options().save();
  EXPECT_TRUE(clearDefaults());
  platform::RegistryKey key;
  EXPECT_EQ(platform::openRegistryKey(root_, kKey, platform::kKeyRead, &key),
            platform::kErrorFileNotFound);
  EXPECT_TRUE(clearDefaults());
}

TEST_F(StoredDefaults, ClearFailsWhenTheKeyGainedSubkeys) {
  Options saved;
  saved.count = 9;
  saved.save();
  std::string child = std::string(kKey) + "\\extra";
  sandbox_.remember(child);
  platform::RegistryKey key;
  ASSERT_EQ(platform::createRegistryKey(root_, child.c_str(), platform::kKeyAllAccess, &key), 0u);
  EXPECT_FALSE(clearDefaults());
  Options loaded;
  loaded.load();
  EXPECT_EQ(loaded.count, 9);
}

}  // namespace
