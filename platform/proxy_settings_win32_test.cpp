#include <windows.h>

#include "platform/proxy_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry_sandbox_test_support.h"

namespace velmora::platform {
namespace {

constexpr char kSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Maps HKEY_CURRENT_USER to a fresh key of its own for the test, so the
// user's real proxy settings are neither read nor written.
class ProxySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = sandbox_.baseKey();
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &root_, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, root_), ERROR_SUCCESS);
    overridden_ = true;
    HKEY probe = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettings, 0, KEY_READ, &probe) == ERROR_SUCCESS) {
      RegCloseKey(probe);
      GTEST_SKIP() << "the current-user key could not be redirected";
    }
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &settings_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    if (settings_ != nullptr) RegCloseKey(settings_);
    if (overridden_) RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (root_ != nullptr) RegCloseKey(root_);
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
  }
  void write(DWORD enabled, const std::string& server) {
    RegSetValueExA(settings_, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<BYTE*>(&enabled),
                   sizeof(enabled));
    RegSetValueExA(settings_, "ProxyServer", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(server.c_str()),
                   static_cast<DWORD>(server.size() + 1));
  }

  testing::RegistrySandbox sandbox_;
  std::string base_;
  HKEY root_ = nullptr;
  HKEY settings_ = nullptr;
  bool overridden_ = false;
};

TEST_F(ProxySettingsTest, EnabledServerListIsRead) {
  write(1, "http=web:8080;socks=127.0.0.2:1081");
  std::string list;
  ASSERT_TRUE(readProxyServerList(&list));
  EXPECT_EQ(list, "http=web:8080;socks=127.0.0.2:1081");
}

TEST_F(ProxySettingsTest, DisabledOrOverlongListIsHandledSafely) {
  write(0, "socks=127.0.0.2:1081");
  std::string list = "stale";
  EXPECT_FALSE(readProxyServerList(&list));
  EXPECT_EQ(list, "");
  // A value longer than the 399 bytes read is not read at all.
  write(1, "socks=127.0.0.2:1081;" + std::string(500, 'x'));
  EXPECT_FALSE(readProxyServerList(&list));
}

}  // namespace
}  // namespace velmora::platform
