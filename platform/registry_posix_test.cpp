#include "platform/registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/hive_file_posix.h"
#include "platform/registry_sandbox_test_support.h"

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

class FileHive : public ::testing::Test {
 protected:
  FileHive() : oldMask_(umask(022)) {}
  ~FileHive() override { umask(oldMask_); }

  // The directory of a key created as `relative` below the sandbox's base key.
  fs::path dirOf(const std::string& relative) {
    fs::path dir = fs::path(sandbox_.privateRoot()) / "tavro/registry/HKEY_CURRENT_USER/Software" /
                   sandbox_.baseKey().substr(sizeof "Software");
    return relative.empty() ? dir : dir / relative;
  }

  RegistryKey create(const std::string& relative, uint32_t rights = kKeyAllAccess) {
    RegistryKey key;
    std::string path = sandbox_.baseKey() + "\\" + relative;
    EXPECT_EQ(createRegistryKey(root_, path.c_str(), rights, &key), 0u);
    return key;
  }

  uint32_t open(const std::string& relative, RegistryKey* key) {
    std::string path = sandbox_.baseKey() + "\\" + relative;
    return openRegistryKey(root_, path.c_str(), kKeyAllAccess, key);
  }

  uint32_t setDword(const RegistryKey& key, const char* name, uint32_t value) {
    return setRegistryValue(key, name, kRegDword, &value, sizeof value);
  }

  testing::RegistrySandbox sandbox_;
  RegistryKey root_{RegistryRoot::kCurrentUser};
  mode_t oldMask_;
};

TEST_F(FileHive, KeysAreDirectoriesWithPrivateValuesFiles) {
  RegistryKey key = create("toolvane\\tavro");
  ASSERT_EQ(setDword(key, "packet_count", 10), 0u);
  std::string text("x\0", 2);
  ASSERT_EQ(setRegistryValue(key, "name", kRegSz, text.data(), 2), 0u);
  fs::path dir = dirOf("toolvane/tavro");
  EXPECT_EQ(slurp(dir / ".values.reg"), "\"packet_count\"=dword:0000000a\n\"name\"=\"x\"\n");
  EXPECT_EQ(mode(dir / ".values.reg"), 0600u);
  EXPECT_EQ(mode(dir / ".lock"), 0600u);
  for (fs::path p = dir; p != fs::path(sandbox_.privateRoot()); p = p.parent_path()) {
    EXPECT_EQ(mode(p), 0700u) << p;
  }
}

TEST_F(FileHive, KeyNamesThatAreNoFileNames) {
  for (const char* name : {"a/b", ".values.reg", "..", "%41", "Mixed"}) {
    RegistryKey key = create(name);
    ASSERT_TRUE(key.isOpen()) << name;
    ASSERT_EQ(setDword(key, "v", 1), 0u);
  }
  EXPECT_TRUE(fs::is_directory(dirOf("a%2fb")));
  EXPECT_TRUE(fs::is_directory(dirOf("%2evalues.reg")));
  EXPECT_TRUE(fs::is_directory(dirOf("%2e.")));
  RegistryKey key;
  EXPECT_EQ(open("MIXED", &key), 0u);
  EXPECT_EQ(open("%41", &key), 0u);
  EXPECT_EQ(open("A", &key), kErrorFileNotFound);
  RegistryKey same = create("mixed");
  EXPECT_FALSE(fs::exists(dirOf("mixed")));  // the existing "Mixed" was opened
}

TEST_F(FileHive, OverlongNamesAreRefused) {
  RegistryKey key;
  EXPECT_EQ(open(std::string(256, 'k'), &key), kErrorInvalidParameter);
  RegistryKey fits = create(std::string(255, 'k'));
  EXPECT_TRUE(fits.isOpen());
  std::string path = sandbox_.baseKey() + "\\" + std::string(100, '/');
  EXPECT_EQ(createRegistryKey(root_, path.c_str(), kKeyAllAccess, &key), kErrorFilenameTooLong);
  std::string longName(hive::kMaxValueNameLength + 1, 'v');
  uint32_t v = 1;
  EXPECT_EQ(setRegistryValue(fits, longName.c_str(), kRegDword, &v, 4), kErrorInvalidParameter);
}

TEST_F(FileHive, UnparsableValuesFileMakesTheKeyUnreadableAndIsKept) {
  RegistryKey early = create("broken");
  const std::string garbage = "\"packet_count\"=dword:0000000a\n\"x\"=\"half";
  spit(dirOf("broken/.values.reg"), garbage);
  RegistryKey key;
  EXPECT_EQ(open("broken", &key), kErrorBadDb);
  EXPECT_EQ(
      createRegistryKey(root_, (sandbox_.baseKey() + "\\broken").c_str(), kKeyAllAccess, &key),
      kErrorBadDb);
  EXPECT_EQ(setDword(early, "packet_count", 4), kErrorBadDb);
  uint32_t value = 0, size = 4;
  EXPECT_EQ(queryRegistryValue(early, "packet_count", nullptr, &value, &size), kErrorBadDb);
  EXPECT_EQ(slurp(dirOf("broken/.values.reg")), garbage);
  RegistryKey base;
  ASSERT_EQ(openRegistryKey(root_, sandbox_.baseKey().c_str(), kKeyAllAccess, &base), 0u);
  EXPECT_EQ(deleteRegistryKey(base, "broken"), 0u);  // an explicit delete may drop it
  EXPECT_FALSE(fs::exists(dirOf("broken")));
}

TEST_F(FileHive, ValuesFileMustBeARegularFileOfOurOwn) {
  RegistryKey key = create("linked");
  fs::create_symlink("/etc/hostname", dirOf("linked/.values.reg"));
  RegistryKey reopened;
  EXPECT_EQ(open("linked", &reopened), kErrorBadDb);
  EXPECT_EQ(setDword(key, "v", 1), kErrorBadDb);
  EXPECT_TRUE(fs::is_symlink(dirOf("linked/.values.reg")));
}

// A value whose file text would pass what a read accepts would make every
// value of the key unreadable: the write is refused and the file kept.
TEST_F(FileHive, WriteTooLargeToReadBackIsRefused) {
  RegistryKey key = create("full");
  ASSERT_EQ(setDword(key, "kept", 7), 0u);
  const std::string before = slurp(dirOf("full/.values.reg"));
  const std::string big(6 * 1024 * 1024, '\x5a');  // 18 MiB as hex text
  EXPECT_EQ(setRegistryValue(key, "big", kRegBinary, big.data(), static_cast<uint32_t>(big.size())),
            kErrorNotEnoughMemory);
  EXPECT_EQ(slurp(dirOf("full/.values.reg")), before);
  uint32_t value = 0, size = 4;
  EXPECT_EQ(queryRegistryValue(key, "kept", nullptr, &value, &size), 0u);
  EXPECT_EQ(value, 7u);
}

// A FIFO at the values path once blocked every open for ever; the alarm
// ends the test binary should it block again.
TEST_F(FileHive, ValuesFileThatIsAFifoIsUnreadableAndDeletable) {
  RegistryKey key = create("piped");
  ASSERT_EQ(mkfifo(dirOf("piped/.values.reg").c_str(), 0600), 0);
  alarm(60);
  RegistryKey reopened;
  EXPECT_EQ(open("piped", &reopened), kErrorBadDb);
  uint32_t value = 0, size = 4;
  EXPECT_EQ(queryRegistryValue(key, "v", nullptr, &value, &size), kErrorBadDb);
  EXPECT_EQ(setDword(key, "v", 1), kErrorBadDb);
  EXPECT_TRUE(fs::is_fifo(dirOf("piped/.values.reg")));
  RegistryKey base;
  ASSERT_EQ(openRegistryKey(root_, sandbox_.baseKey().c_str(), kKeyAllAccess, &base), 0u);
  EXPECT_EQ(deleteRegistryKey(base, "piped"), 0u);
  alarm(0);
  EXPECT_FALSE(fs::exists(dirOf("piped")));
}

// Reads through one root key parse the file once, but never hide what
// another writer stored meanwhile, and a write starts from the file as it is
// under the lock, not from what this root key read before.
TEST_F(FileHive, ParsedValuesNeverOutliveTheFile) {
  RegistryKey mine = create("shared");
  ASSERT_EQ(setDword(mine, "v", 1), 0u);
  uint32_t value = 0, size = 4;
  ASSERT_EQ(queryRegistryValue(mine, "v", nullptr, &value, &size), 0u);
  ASSERT_EQ(value, 1u);

  RegistryKey otherRoot(RegistryRoot::kCurrentUser), theirs;
  const std::string path = sandbox_.baseKey() + "\\shared";
  ASSERT_EQ(openRegistryKey(otherRoot, path.c_str(), kKeyAllAccess, &theirs), 0u);
  ASSERT_EQ(setDword(theirs, "v", 3), 0u);  // same size, same place
  ASSERT_EQ(setDword(theirs, "w", 2), 0u);

  EXPECT_EQ(queryRegistryValue(mine, "v", nullptr, &value, &size), 0u);
  EXPECT_EQ(value, 3u);
  ASSERT_EQ(setDword(mine, "x", 4), 0u);
  EXPECT_EQ(slurp(dirOf("shared/.values.reg")),
            "\"v\"=dword:00000003\n\"w\"=dword:00000002\n\"x\"=dword:00000004\n");

  // An edit in place by hand, one byte longer, is seen as well.
  spit(dirOf("shared/.values.reg"), "\"v\"=dword:00000005\n\"w\"=dword:2\n\n");
  EXPECT_EQ(queryRegistryValue(mine, "v", nullptr, &value, &size), 0u);
  EXPECT_EQ(value, 5u);
  EXPECT_EQ(queryRegistryValue(mine, "x", nullptr, &value, &size), kErrorFileNotFound);
}

TEST_F(FileHive, LeftoverTempFileNeitherShowsNorStays) {
  RegistryKey key = create("crashed");
  ASSERT_EQ(setDword(key, "a", 1), 0u);
  fs::path stale = dirOf("crashed/.values.reg.tmp-AbC123");
  spit(stale, "\"a\"=dword:0000");
  uint32_t value = 0, size = 4;
  EXPECT_EQ(queryRegistryValue(key, "a", nullptr, &value, &size), 0u);
  EXPECT_EQ(value, 1u);
  ASSERT_EQ(setDword(key, "b", 2), 0u);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_EQ(slurp(dirOf("crashed/.values.reg")), "\"a\"=dword:00000001\n\"b\"=dword:00000002\n");
}

TEST_F(FileHive, HandleOfDeletedKeyFails) {
  RegistryKey key = create("doomed");
  RegistryKey base;
  ASSERT_EQ(openRegistryKey(root_, sandbox_.baseKey().c_str(), kKeyAllAccess, &base), 0u);
  ASSERT_EQ(deleteRegistryKey(base, "doomed"), 0u);
  EXPECT_EQ(setDword(key, "v", 1), kErrorKeyDeleted);
  EXPECT_FALSE(fs::exists(dirOf("doomed")));
  for (const auto& entry : fs::directory_iterator(dirOf(""))) {
    EXPECT_EQ(entry.path().filename(), ".lock");  // no renamed remains either
  }
}

TEST_F(FileHive, StrangerFilesSurviveDeletion) {
  create("visited");
  spit(dirOf("visited/notes.txt"), "mine");
  RegistryKey base;
  ASSERT_EQ(openRegistryKey(root_, sandbox_.baseKey().c_str(), kKeyAllAccess, &base), 0u);
  ASSERT_EQ(deleteRegistryKey(base, "visited"), 0u);
  RegistryKey key;
  EXPECT_EQ(open("visited", &key), kErrorFileNotFound);
  int kept = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dirOf(""))) {
    if (entry.path().filename() == "notes.txt") kept += slurp(entry.path()) == "mine";
  }
  EXPECT_EQ(kept, 1);
}

TEST_F(FileHive, WithoutXdgConfigHomeTheHomeConfigIsUsed) {
  std::string home = sandbox_.privateRoot() + "/home";
  fs::create_directory(home);
  const char* oldHome = getenv("HOME");
  std::string savedHome = oldHome != nullptr ? oldHome : "";
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
  RegistryKey root(RegistryRoot::kCurrentUser), key;
  EXPECT_EQ(createRegistryKey(root, "Software\\x", kKeyAllAccess, &key), 0u);
  setenv("HOME", savedHome.c_str(), 1);
  EXPECT_TRUE(fs::is_directory(home + "/.config/tavro/registry/HKEY_CURRENT_USER/Software/x"));
}

// Writers in several processes at once: every value ends up as some writer's
// last write, and a reader never sees a half-written file.
TEST_F(FileHive, ConcurrentProcessesNeitherLoseNorMixValues) {
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
    uint32_t value = 0, size = 4;
    uint32_t rc = queryRegistryValue(key, "shared", nullptr, &value, &size);
    badReads += rc != 0 && rc != kErrorFileNotFound;
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(badReads, 0);
  std::vector<hive::Value> values;
  std::string error;
  ASSERT_TRUE(hive::parseValues(slurp(dirOf("busy/.values.reg")), &values, &error)) << error;
  EXPECT_EQ(values.size(), kWriters + 1u);
  for (int w = 0; w < kWriters; ++w) {
    uint32_t value = 0, size = 4;
    EXPECT_EQ(
        queryRegistryValue(key, ("writer" + std::to_string(w)).c_str(), nullptr, &value, &size),
        0u);
    EXPECT_EQ(value, static_cast<uint32_t>(kRounds));
  }
  uint32_t shared = 0, size = 4;
  ASSERT_EQ(queryRegistryValue(key, "shared", nullptr, &shared, &size), 0u);
  EXPECT_EQ(shared % 1000, static_cast<uint32_t>(kRounds));
}

}  // namespace
}  // namespace velmora::platform
