#include "app/stored_defaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/registry_sandbox_test_support.h"

namespace {

namespace fs = std::filesystem;

// A settings file that someone else damaged: the run falls back to the built-in
// defaults, saving refuses to replace what it cannot read, clearing removes it.
class DamagedDefaults : public ::testing::Test {
 protected:
  void SetUp() override {
    saveDefaults(10, 64, 20, false, false, false, 1, 2);
    file_ = fs::path(sandbox_.privateRoot()) / "tavro/settings";
    ASSERT_TRUE(fs::exists(file_));
    std::ofstream(file_, std::ios::app) << "\"packet_count\"=dword:00000001\n";  // named twice
    damaged_ = contents();
  }

  std::string contents() const {
    std::ifstream in(file_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  velmora::platform::testing::RegistrySandbox sandbox_;
  fs::path file_;
  std::string damaged_;
};

TEST_F(DamagedDefaults, LoadKeepsBuiltInValues) {
  int32_t count = 4, size = 32, delay = 150, success = 0, failure = 0;
  bool loop = false, brief = false, comment = false;
  loadDefaults(count, size, delay, loop, brief, comment, success, failure);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(size, 32);
  EXPECT_EQ(success, 0);
  EXPECT_EQ(contents(), damaged_);
}

TEST_F(DamagedDefaults, SaveLeavesTheFileAsItWas) {
  saveDefaults(5, 32, 150, false, false, false, 0, 0);
  EXPECT_EQ(contents(), damaged_);
}

TEST_F(DamagedDefaults, ClearRemovesIt) {
  EXPECT_TRUE(clearDefaults());
  EXPECT_FALSE(fs::exists(file_.parent_path()));
}

}  // namespace
