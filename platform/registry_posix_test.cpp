#include "platform/registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry_sandbox_test_support.h"
#include "platform/settings_file_posix.h"

namespace velmora::platform {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void spit(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

unsigned mode(const fs::path& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

std::vector<std::string> entries(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(dir, ignored)) {
    names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Runs `body` in a child process and gives its exit status (0 when the body
// returned true).
template <typename Body>
int inChild(Body body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

class SettingsHive : public ::testing::Test {
 protected:
  SettingsHive() : oldMask_(umask(022)) {}
  ~SettingsHive() override { umask(oldMask_); }

  fs::path folder() { return fs::path(sandbox_.privateRoot()) / "tavro"; }
  fs::path file() { return folder() / "settings"; }
  std::string header(const std::string& relative = "") {
    return "[HKEY_CURRENT_USER\\" + sandbox_.baseKey() + (relative.empty() ? "" : "\\") + relative +
           "]\n";
  }

  RegistryKey create(const std::string& relative, uint32_t rights = kKeyAllAccess) {
    RegistryKey key;
    EXPECT_EQ(createRegistryKey(root_, path(relative).c_str(), rights, &key), 0u);
    return key;
  }

  std::string path(const std::string& relative) {
    return relative.empty() ? sandbox_.baseKey() : sandbox_.baseKey() + "\\" + relative;
  }

  uint32_t open(const std::string& relative, RegistryKey* key) {
    return openRegistryKey(root_, path(relative).c_str(), kKeyAllAccess, key);
  }

  uint32_t remove(const std::string& relative) {
    RegistryKey base;
    EXPECT_EQ(open("", &base), 0u);
    return deleteRegistryKey(base, relative.c_str());
  }

  uint32_t setDword(const RegistryKey& key, const char* name, uint32_t value) {
    return setRegistryValue(key, name, kRegDword, &value, sizeof value);
  }

  uint32_t getDword(const RegistryKey& key, const char* name, uint32_t* value) {
    uint32_t size = sizeof *value;
    return queryRegistryValue(key, name, nullptr, value, &size);
  }

  testing::RegistrySandbox sandbox_;
  RegistryKey root_{RegistryRoot::kCurrentUser};
  mode_t oldMask_;
};

TEST_F(SettingsHive, OnePrivateFileWithASectionPerKey) {
  RegistryKey key = create("toolvane\\tavro");
  ASSERT_EQ(setDword(key, "packet_count", 10), 0u);
  ASSERT_EQ(setRegistryValue(key, "name", kRegSz, "x", 2), 0u);
  RegistryKey other = create("other");
  ASSERT_EQ(setDword(other, "v", 1), 0u);
  EXPECT_EQ(slurp(file()), header("toolvane\\tavro") +
                               "\"packet_count\"=dword:0000000a\n\"name\"=\"x\"\n\n" +
                               header("other") + "\"v\"=dword:00000001\n");
  EXPECT_EQ(mode(file()), 0600u);
  EXPECT_EQ(mode(folder()), 0700u);
  EXPECT_EQ(entries(folder()), std::vector<std::string>{"settings"});  // no lock or temp file
}

TEST_F(SettingsHive, KeysKeepTheirFirstSpelling) {
  create("Mixed\\Child");
  for (const char* name : {"a/b", ".", "..", "%41", "x.reg"}) {
    RegistryKey key = create(name);
    EXPECT_TRUE(key.isOpen()) << name;
  }
  RegistryKey key;
  EXPECT_EQ(open("MIXED\\child", &key), 0u);
  EXPECT_EQ(open("%41", &key), 0u);
  EXPECT_EQ(open("A", &key), kErrorFileNotFound);
  create("mixed\\other");
  const std::string text = slurp(file());
  EXPECT_NE(text.find(header("Mixed\\other")), std::string::npos) << text;
  EXPECT_EQ(text.find("mixed"), std::string::npos) << text;
}

TEST_F(SettingsHive, BadNamesAreRefused) {
  RegistryKey key;
  EXPECT_EQ(open(std::string(256, 'k'), &key), kErrorInvalidParameter);
  RegistryKey fits = create(std::string(255, 'k'));
  EXPECT_TRUE(fits.isOpen());
  EXPECT_EQ(createRegistryKey(root_, path("a\nb").c_str(), kKeyAllAccess, &key),
            kErrorInvalidParameter);
  EXPECT_EQ(createRegistryKey(root_, path("a\\\\b").c_str(), kKeyAllAccess, &key),
            kErrorBadPathname);
  std::string longName(settings::kMaxValueNameLength + 1, 'v');
  EXPECT_EQ(setDword(fits, longName.c_str(), 1), kErrorInvalidParameter);
}

// A parent made only on the way to its subkeys goes with the last of them;
// one created itself stays. Nothing is left once the last key goes.
TEST_F(SettingsHive, DeletingTheLastKeyLeavesNothing) {
  create("kept");
  create("passing\\through\\leaf");
  ASSERT_EQ(remove("passing\\through\\leaf"), 0u);
  RegistryKey key;
  EXPECT_EQ(open("passing", &key), kErrorFileNotFound);
  EXPECT_EQ(open("kept", &key), 0u);
  ASSERT_EQ(remove("kept"), 0u);
  EXPECT_FALSE(fs::exists(folder()));
  EXPECT_TRUE(fs::is_directory(sandbox_.privateRoot()));  // the config folder is not ours
}

TEST_F(SettingsHive, HandleOfDeletedKeyFails) {
  RegistryKey key = create("doomed");
  create("other");
  ASSERT_EQ(remove("doomed"), 0u);
  EXPECT_EQ(setDword(key, "v", 1), kErrorKeyDeleted);
  uint32_t value = 0;
  EXPECT_EQ(getDword(key, "v", &value), kErrorKeyDeleted);
  EXPECT_EQ(slurp(file()).find("doomed"), std::string::npos);
}

// A file the user's own tools damaged: values cannot be read or written,
// the file stays as it is, and deleting a key starts over.
TEST_F(SettingsHive, DamagedFileIsKeptUntilAKeyIsDeleted) {
  RegistryKey early = create("broken");
  const std::string garbage = header("broken") + "\"packet_count\"=dword:0000000a\n\"x\"=\"half";
  spit(file(), garbage);
  RegistryKey key;
  EXPECT_EQ(open("broken", &key), 0u);  // which keys exist cannot be told
  EXPECT_EQ(setDword(early, "packet_count", 4), kErrorBadDb);
  uint32_t value = 0;
  EXPECT_EQ(getDword(early, "packet_count", &value), kErrorBadDb);
  EXPECT_EQ(createRegistryKey(root_, path("new").c_str(), kKeyAllAccess, &key), 0u);
  EXPECT_EQ(slurp(file()), garbage);
  EXPECT_EQ(remove("broken"), 0u);
  EXPECT_FALSE(fs::exists(folder()));
}

// Anything but a regular file of at most 1 MiB is damaged. A FIFO once
// blocked every open for ever; the alarm ends the test binary should it
// block again. A symbolic link is removed, never what it points to.
TEST_F(SettingsHive, OnlyARegularFileOfAtMostOneMiBIsRead) {
  RegistryKey key = create("k");
  const std::string valid = header("k") + "\"v\"=dword:00000007\n";
  spit(file(), valid + std::string(1024 * 1024 - valid.size() - 1, ';') + "\n");
  uint32_t value = 0;
  EXPECT_EQ(getDword(key, "v", &value), 0u);
  EXPECT_EQ(value, 7u);
  spit(file(), valid + std::string(1024 * 1024 - valid.size(), ';') + "\n");
  EXPECT_EQ(getDword(key, "v", &value), kErrorBadDb);

  const fs::path elsewhere = fs::path(sandbox_.privateRoot()) / "elsewhere";
  spit(elsewhere, valid);
  fs::remove(file());
  fs::create_symlink(elsewhere, file());
  EXPECT_EQ(getDword(key, "v", &value), kErrorBadDb);
  EXPECT_EQ(setDword(key, "v", 1), kErrorBadDb);
  EXPECT_TRUE(fs::is_symlink(file()));
  EXPECT_EQ(remove("k"), 0u);
  EXPECT_FALSE(fs::exists(folder()));
  EXPECT_EQ(slurp(elsewhere), valid);

  key = create("k");
  fs::remove(file());
  ASSERT_EQ(mkfifo(file().c_str(), 0600), 0);
  alarm(60);
  EXPECT_EQ(getDword(key, "v", &value), kErrorBadDb);
  EXPECT_EQ(setDword(key, "v", 1), kErrorBadDb);
  EXPECT_TRUE(fs::is_fifo(file()));
  EXPECT_EQ(remove("k"), 0u);
  alarm(0);
  EXPECT_FALSE(fs::exists(folder()));
}

// A value whose file text would pass what a read accepts would make every
// value unreadable: the write is refused and the file kept.
TEST_F(SettingsHive, WriteTooLargeToReadBackIsRefused) {
  RegistryKey key = create("full");
  ASSERT_EQ(setDword(key, "kept", 7), 0u);
  const std::string before = slurp(file());
  const std::string big(400 * 1024, '\x5a');  // 1.2 MiB as hex text
  EXPECT_EQ(setRegistryValue(key, "big", kRegBinary, big.data(), static_cast<uint32_t>(big.size())),
            kErrorNotEnoughMemory);
  EXPECT_EQ(slurp(file()), before);
  uint32_t value = 0;
  EXPECT_EQ(getDword(key, "kept", &value), 0u);
  EXPECT_EQ(value, 7u);
}

// On a full disk the write fails with 112, the file keeps what it held and
// no temporary file stays. The disk is a small tmpfs in a mount namespace
// of a child process.
TEST_F(SettingsHive, FullDiskKeepsTheOldFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a mount namespace";
  const int status = inChild([this] {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", sandbox_.privateRoot().c_str(), "tmpfs", 0, "size=64k,mode=0700") != 0) {
      return false;
    }
    RegistryKey key = create("k");
    if (setDword(key, "kept", 7) != 0) return false;
    const std::string before = slurp(file());
    spit(fs::path(sandbox_.privateRoot()) / "filler", std::string(128 * 1024, 'f'));
    const std::string name(1000, 'n');
    uint32_t rc = 0;
    for (int i = 0; i < 200 && rc == 0; ++i)
      rc = setDword(key, (name + std::to_string(i)).c_str(), 1);
    uint32_t value = 0;
    return rc == 112 && entries(folder()) == std::vector<std::string>{"settings"} &&
           getDword(key, "kept", &value) == 0 && value == 7 && slurp(file()) == before;
  });
  EXPECT_EQ(status, 0);
}

// Reads through one root key parse the file once, but never hide what
// another writer stored meanwhile, and a write starts from the file as it
// is under the lock, not from what this root key read before.
TEST_F(SettingsHive, ParsedValuesNeverOutliveTheFile) {
  RegistryKey mine = create("shared");
  ASSERT_EQ(setDword(mine, "v", 1), 0u);
  uint32_t value = 0;
  ASSERT_EQ(getDword(mine, "v", &value), 0u);
  ASSERT_EQ(value, 1u);

  RegistryKey otherRoot(RegistryRoot::kCurrentUser), theirs;
  ASSERT_EQ(openRegistryKey(otherRoot, path("shared").c_str(), kKeyAllAccess, &theirs), 0u);
  ASSERT_EQ(setDword(theirs, "v", 3), 0u);  // same size, same place
  ASSERT_EQ(setDword(theirs, "w", 2), 0u);

  EXPECT_EQ(getDword(mine, "v", &value), 0u);
  EXPECT_EQ(value, 3u);
  ASSERT_EQ(setDword(mine, "x", 4), 0u);
  EXPECT_EQ(
      slurp(file()),
      header("shared") + "\"v\"=dword:00000003\n\"w\"=dword:00000002\n\"x\"=dword:00000004\n");

  // An edit in place by hand, one byte longer, is seen as well.
  spit(file(), header("shared") + "\"v\"=dword:00000005\n\"w\"=dword:2\n\n");
  EXPECT_EQ(getDword(mine, "v", &value), 0u);
  EXPECT_EQ(value, 5u);
  EXPECT_EQ(getDword(mine, "x", &value), kErrorFileNotFound);
}

TEST_F(SettingsHive, LeftoverTempFileNeitherShowsNorStays) {
  RegistryKey key = create("crashed");
  ASSERT_EQ(setDword(key, "a", 1), 0u);
  spit(folder() / "settings.new", header("crashed") + "\"a\"=dword:0000");
  uint32_t value = 0;
  EXPECT_EQ(getDword(key, "a", &value), 0u);
  EXPECT_EQ(value, 1u);
  ASSERT_EQ(setDword(key, "b", 2), 0u);
  EXPECT_EQ(entries(folder()), std::vector<std::string>{"settings"});
  EXPECT_EQ(slurp(file()), header("crashed") + "\"a\"=dword:00000001\n\"b\"=dword:00000002\n");
}

TEST_F(SettingsHive, WithoutXdgConfigHomeTheHomeConfigIsUsed) {
  std::string home = sandbox_.privateRoot() + "/home";
  fs::create_directory(home);
  const char* oldHome = getenv("HOME");
  std::string savedHome = oldHome != nullptr ? oldHome : "";
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
  RegistryKey root(RegistryRoot::kCurrentUser), key;
  EXPECT_EQ(createRegistryKey(root, "Software\\x", kKeyAllAccess, &key), 0u);
  setenv("HOME", savedHome.c_str(), 1);
  EXPECT_EQ(slurp(home + "/.config/tavro/settings"), "[HKEY_CURRENT_USER\\Software\\x]\n");
  EXPECT_EQ(mode(home + "/.config"), 0700u);
}

// A writer that waited for the lock while another removed the folder makes
// a new one rather than write into the removed one.
TEST_F(SettingsHive, WriterWaitingOnARemovedFolderStartsAgain) {
  create("first");
  const int held = ::open(folder().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  pid_t pid = fork();
  if (pid == 0) {
    ::close(held);  // the lock belongs to the parent's open folder, which this shares
    RegistryKey key;
    _exit(createRegistryKey(root_, path("second").c_str(), kKeyAllAccess, &key));
  }
  usleep(200 * 1000);
  fs::remove(file());
  fs::remove(folder());
  ::close(held);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(slurp(file()), header("second"));
}

// Settings where someone else could have put or changed them count as
// unreadable and are left alone: a folder or file not the user's own or
// writable by others, the settings folder as a symbolic link, a folder on
// the way that another user owns. The other user is nobody (65534).
class UntrustedSettings : public SettingsHive {
 protected:
  void SetUp() override {
    RegistryKey key = create("k");
    ASSERT_EQ(setDword(key, "v", 7), 0u);
    text_ = slurp(file());
  }

  // Every operation fails with 1009 and nothing changes at `place`.
  void expectLeftAlone(const fs::path& place) {
    const std::vector<std::string> before = entries(place);
    RegistryKey key;
    EXPECT_EQ(open("k", &key), kErrorBadDb);
    EXPECT_EQ(createRegistryKey(root_, path("k2").c_str(), kKeyAllAccess, &key), kErrorBadDb);
    EXPECT_EQ(deleteRegistryKey(root_, path("k").c_str()), kErrorBadDb);
    EXPECT_EQ(entries(place), before);
    EXPECT_EQ(slurp(place / "settings"), text_);
  }

  bool asRoot() const { return geteuid() == 0; }

  std::string text_;
};

TEST_F(UntrustedSettings, FolderOrFileOpenToOthers) {
  fs::permissions(file(), fs::perms(0622));
  expectLeftAlone(folder());
  fs::permissions(file(), fs::perms(0600));
  fs::permissions(folder(), fs::perms(0777));
  expectLeftAlone(folder());
  fs::permissions(folder(), fs::perms(0700));
  if (!asRoot()) GTEST_SKIP() << "needs root to give a file away";
  ASSERT_EQ(lchown(file().c_str(), 65534, 65534), 0);
  expectLeftAlone(folder());
}

TEST_F(UntrustedSettings, SettingsFolderAsALink) {
  const fs::path real = fs::path(sandbox_.privateRoot()) / "real";
  fs::rename(folder(), real);
  fs::create_directory_symlink(real, folder());
  expectLeftAlone(real);
  EXPECT_TRUE(fs::is_symlink(folder()));
}

TEST_F(UntrustedSettings, FoldersOnTheWay) {
  // The config folder one level down, reached through a folder of the test.
  const fs::path middle = fs::path(sandbox_.privateRoot()) / "middle";
  fs::create_directories(middle / "config");
  fs::rename(folder(), middle / "config/tavro");
  setenv("XDG_CONFIG_HOME", (middle / "config").c_str(), 1);
  RegistryKey key;
  ASSERT_EQ(open("k", &key), 0u);
  fs::permissions(middle, fs::perms(0775));
  expectLeftAlone(middle / "config/tavro");
  fs::permissions(middle, fs::perms(01777));  // sticky, as /tmp
  EXPECT_EQ(open("k", &key), 0u);
  fs::permissions(middle, fs::perms(0755));
  // A link of the user's own on the way is followed.
  const fs::path link = fs::path(sandbox_.privateRoot()) / "link";
  fs::create_directory_symlink(middle, link);
  setenv("XDG_CONFIG_HOME", (link / "config").c_str(), 1);
  EXPECT_EQ(open("k", &key), 0u);
  if (!asRoot()) GTEST_SKIP() << "needs root to give folders away";
  ASSERT_EQ(lchown(link.c_str(), 65534, 65534), 0);
  expectLeftAlone(middle / "config/tavro");
  setenv("XDG_CONFIG_HOME", (middle / "config").c_str(), 1);
  ASSERT_EQ(chown(middle.c_str(), 65534, 65534), 0);
  expectLeftAlone(middle / "config/tavro");
  ASSERT_EQ(chown(middle.c_str(), 0, 0), 0);
  setenv("XDG_CONFIG_HOME", sandbox_.privateRoot().c_str(), 1);
}

// Writers in several processes at once: every value ends up as some
// writer's last write, and a reader never sees a half-written file.
TEST_F(SettingsHive, ConcurrentProcessesNeitherLoseNorMixValues) {
  RegistryKey key = create("busy");
  constexpr int kWriters = 6, kRounds = 15;
  pid_t pids[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    pids[w] = fork();
    ASSERT_GE(pids[w], 0);
    if (pids[w] == 0) {
      RegistryKey own;
      if (open("busy", &own) != 0) _exit(2);
      std::string mine = "writer" + std::to_string(w);
      for (int i = 1; i <= kRounds; ++i) {
        if (setDword(own, mine.c_str(), i) != 0 || setDword(own, "shared", w * 1000 + i) != 0) {
          _exit(1);
        }
      }
      _exit(0);
    }
  }
  int badReads = 0;
  for (int i = 0; i < 200; ++i) {
    uint32_t value = 0;
    uint32_t rc = getDword(key, "shared", &value);
    badReads += rc != 0 && rc != kErrorFileNotFound;
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(badReads, 0);
  std::vector<settings::Section> sections;
  std::string error;
  ASSERT_TRUE(settings::parseSettings(slurp(file()), &sections, &error)) << error;
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(sections[0].values.size(), kWriters + 1u);
  for (int w = 0; w < kWriters; ++w) {
    uint32_t value = 0;
    EXPECT_EQ(getDword(key, ("writer" + std::to_string(w)).c_str(), &value), 0u);
    EXPECT_EQ(value, static_cast<uint32_t>(kRounds));
  }
  uint32_t shared = 0;
  ASSERT_EQ(getDword(key, "shared", &shared), 0u);
  EXPECT_EQ(shared % 1000, static_cast<uint32_t>(kRounds));
}

}  // namespace
}  // namespace velmora::platform
