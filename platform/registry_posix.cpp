#include "platform/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_descriptor_posix.h"
#include "platform/settings_file_posix.h"
#include "platform/system_error_posix.h"

// HKEY_CURRENT_USER is one text file, tavro/settings in the user's config
// folder, with a section per key (settings_file_posix.h). A key exists when
// the file has its section or one of a key below it, so a parent made only
// on the way to a subkey goes with its last subkey, and nothing is left once
// the last key is deleted. Files and folders are reached through
// descriptors, one name at a time, following only symbolic links the user or
// root made, and used only where no one but the user and root can change
// them: a run as root that kept a user's HOME must never write where that
// user points it.
namespace velmora::platform {
namespace {

using Sections = std::vector<settings::Section>;
using KeyPath = std::vector<std::string>;
// What the file says; null when it is the user's own but unusable (not a
// regular file, above kMaxFileBytes or unparseable): such a file is never
// overwritten, and deleting any key removes it.
using Contents = std::shared_ptr<const Sections>;

constexpr char kRootName[] = "HKEY_CURRENT_USER";
constexpr char kFolderName[] = "tavro";
constexpr char kFileName[] = "settings";
constexpr char kTempName[] = "settings.new";
constexpr size_t kMaxFileBytes = 1024 * 1024;
constexpr int kMaxLinks = 40;

// No one but this user and root can change the folder. One writable by
// others is safe only when sticky (as /tmp): no one else may then rename or
// remove what the user or root keeps in it.
bool trustedFolder(const struct stat& st) {
  return S_ISDIR(st.st_mode) && (st.st_uid == 0 || st.st_uid == geteuid()) &&
         ((st.st_mode & 022) == 0 || (st.st_mode & S_ISVTX) != 0);
}

// The settings folder and file themselves must be the user's own and
// writable by no one else, as OpenSSH asks of its per-user files.
bool ownedPrivately(const struct stat& st) {
  return st.st_uid == geteuid() && (st.st_mode & 022) == 0;
}

std::string configHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config";
  const passwd* entry = getpwuid(geteuid());
  if (entry != nullptr && entry->pw_dir != nullptr) return std::string(entry->pw_dir) + "/.config";
  return std::string();
}

// The folder `name` in `dir`, never through a symbolic link; made (0700)
// first when missing and `create`. Passing through a folder (O_PATH) needs
// no right to read it.
int openFolderAt(int dir, const char* name, bool create, int flags = O_PATH) {
  flags |= O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  const int fd = openat(dir, name, flags);
  if (fd >= 0 || errno != ENOENT || !create) return fd;
  return mkdirat(dir, name, 0700) == 0 || errno == EEXIST ? openat(dir, name, flags) : -1;
}

// Opens the config folder from "/" one name at a time, every folder on the
// way trusted. A symbolic link is followed when root or the user made it
// (in a trusted folder no one else can have put it there). 2 when a folder
// is missing or something other than a folder or a link stands in its
// place, 1009 when one is not trusted.
uint32_t openConfigFolder(bool create, FileDescriptor* dir) {
  std::string rest = configHome();  // the names still to walk from `dir`
  if (rest.empty()) return kErrorFileNotFound;
  *dir = FileDescriptor(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  for (int links = 0;;) {
    struct stat st;
    if (!dir->valid() || fstat(dir->get(), &st) != 0) return fileErrorFromErrno(errno);
    if (!trustedFolder(st)) return kErrorBadDb;
    rest.erase(0, rest.find_first_not_of('/'));
    if (rest.empty()) return kErrorSuccess;
    const std::string name = rest.substr(0, rest.find('/'));
    rest.erase(0, name.size());
    const int fd = openFolderAt(dir->get(), name.c_str(), create);
    if (fd >= 0) {
      *dir = FileDescriptor(fd);
      continue;
    }
    if (errno != ENOTDIR && errno != ELOOP) return fileErrorFromErrno(errno);
    if (fstatat(dir->get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode)) {
      return kErrorFileNotFound;
    }
    char target[PATH_MAX];
    const ssize_t n = readlinkat(dir->get(), name.c_str(), target, sizeof target);
    if ((st.st_uid != 0 && st.st_uid != geteuid()) || ++links > kMaxLinks || n <= 0 ||
        static_cast<size_t>(n) == sizeof target) {
      return kErrorBadDb;
    }
    rest.insert(0, target, static_cast<size_t>(n));
    if (target[0] == '/') *dir = FileDescriptor(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  }
}

// The last version of the file read through one root key: a run reads its
// values one by one, each through a key of its own, and would otherwise
// parse the file again for each. The file stays open so that its inode
// cannot be handed to a newer file that would then pass for the version read.
struct Cache {
  std::mutex mutex;
  FileDescriptor file;
  struct stat version {};
  Contents contents;
};

bool sameVersion(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// The file in `folder` as it is now, parsed unless `cache` (when given) has
// it. Opening never blocks, whatever has been put at the path (a FIFO would
// otherwise hang every run), and a symbolic link is not followed.
uint32_t loadContents(int folder, Cache* cache, Contents* out) {
  FileDescriptor file(
      openat(folder, kFileName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.valid() && errno != ELOOP && errno != ENXIO) {
    return errno == ENOENT ? kErrorSuccess : fileErrorFromErrno(errno);
  }
  struct stat st {};
  if (!file.valid() || fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<size_t>(st.st_size) > kMaxFileBytes) {
    out->reset();
    return kErrorSuccess;
  }
  if (!ownedPrivately(st)) return kErrorBadDb;
  Cache once;
  if (cache == nullptr) cache = &once;
  std::lock_guard<std::mutex> hold(cache->mutex);
  if (!cache->file.valid() || !sameVersion(cache->version, st)) {
    // One byte beyond the limit shows a file that grew past it since.
    std::string text(kMaxFileBytes + 1, '\0'), error;
    size_t done = 0;
    for (ssize_t n = 1; n != 0 && done < text.size();) {
      n = read(file.get(), &text[done], text.size() - done);
      if (n < 0 && errno != EINTR) return fileErrorFromErrno(errno);
      done += n > 0 ? static_cast<size_t>(n) : 0;
    }
    text.resize(done);
    auto sections = std::make_shared<Sections>();
    const bool ok = done <= kMaxFileBytes && settings::parseSettings(text, sections.get(), &error);
    cache->contents = ok ? std::move(sections) : nullptr;
    cache->file = std::move(file);
    cache->version = st;
  }
  *out = cache->contents;
  return kErrorSuccess;
}

// The config and settings folders for one operation, and the file as it
// then is.
struct Store {
  FileDescriptor config, folder;  // no folder: there is no settings folder
  Contents contents = std::make_shared<const Sections>();
};

// The settings folder must be the user's own, and a link there is not
// followed. A writer holds its exclusive lock from reading the file until
// the new one is in place, so that no writer loses what another stored.
// A writer passes no cache: that would keep the file it replaces (and the
// room it takes on the disk) alive. Without `create` a missing folder means
// no keys.
uint32_t openStore(bool create, bool write, Cache* cache, Store* store) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const uint32_t rc = openConfigFolder(create, &store->config);
    if (rc != kErrorSuccess) return rc == kErrorFileNotFound && !create ? kErrorSuccess : rc;
    store->folder =
        FileDescriptor(openFolderAt(store->config.get(), kFolderName, create, O_RDONLY));
    const int fd = store->folder.get();
    if (fd < 0 && errno == ENOENT) return kErrorSuccess;
    if (fd < 0) return errno == ENOTDIR || errno == ELOOP ? kErrorBadDb : fileErrorFromErrno(errno);
    struct stat st;
    if (fstat(fd, &st) != 0 || !ownedPrivately(st)) return kErrorBadDb;
    while (write && flock(fd, LOCK_EX) != 0) {
      if (errno != EINTR) return fileErrorFromErrno(errno);
    }
    // The writer this one waited for may have removed the folder: then it
    // has no links left.
    if (!write || (fstat(fd, &st) == 0 && st.st_nlink > 0)) {
      return loadContents(fd, cache, &store->contents);
    }
  }
  return kErrorKeyDeleted;
}

// Replaces the file as a whole: a reader sees the old or the new one, never
// a mixture, and a writer killed on the way leaves the old one in place.
uint32_t replaceFile(int folder, const std::string& text) {
  unlinkat(folder, kTempName, 0);  // left by a writer that was killed
  FileDescriptor file(
      openat(folder, kTempName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  bool ok = file.valid();
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t n = write(file.get(), text.data() + done, text.size() - done);
    if (n == 0) errno = ENOSPC;
    ok = n > 0 || (n < 0 && errno == EINTR);
    done += n > 0 ? static_cast<size_t>(n) : 0;
  }
  ok = ok && fsync(file.get()) == 0 && ::close(file.release()) == 0 &&
       renameat(folder, kTempName, folder, kFileName) == 0;
  const int err = errno;
  if (!ok) {
    unlinkat(folder, kTempName, 0);
    return fileErrorFromErrno(err);
  }
  fsync(folder);
  return kErrorSuccess;
}

// Writes the file, or with no keys left removes it and then the folder
// when nothing else is in it.
uint32_t commit(const Store& store, const Sections& sections) {
  const int folder = store.folder.get();
  if (!sections.empty()) {
    const std::string text = settings::formatSettings(sections);
    // A file too large to be read back would lose every value at the next read.
    return text.size() > kMaxFileBytes ? kErrorNotEnoughMemory : replaceFile(folder, text);
  }
  unlinkat(folder, kTempName, 0);
  if (unlinkat(folder, kFileName, 0) != 0 && errno != ENOENT) return fileErrorFromErrno(errno);
  unlinkat(store.config.get(), kFolderName, AT_REMOVEDIR);
  return kErrorSuccess;
}

// Whether `path` is `key` or, unless `exactly`, a key below it.
bool isWithin(const KeyPath& path, const KeyPath& key, bool exactly = false) {
  return path.size() >= key.size() && (!exactly || path.size() == key.size()) &&
         std::equal(key.begin(), key.end(), path.begin(), settings::sameName);
}

bool keyExists(const Sections& sections, const KeyPath& key) {
  if (key.size() == 1) return settings::sameName(key[0], kRootName);
  return std::any_of(sections.begin(), sections.end(),
                     [&key](const settings::Section& s) { return isWithin(s.path, key); });
}

template <typename List>
auto findSection(List& sections, const KeyPath& key) {
  return std::find_if(sections.begin(), sections.end(),
                      [&key](const settings::Section& s) { return isWithin(s.path, key, true); });
}

// The section of `key`; when it has none yet, a new one that spells the
// names of its existing parents as they were first written.
settings::Section& sectionFor(Sections* sections, KeyPath key) {
  const auto found = findSection(*sections, key);
  if (found != sections->end()) return *found;
  for (auto s = sections->rbegin(); s != sections->rend(); ++s) {
    for (size_t i = 0; i < key.size() && i < s->path.size(); ++i) {
      if (!settings::sameName(key[i], s->path[i])) break;
      key[i] = s->path[i];
    }
  }
  return sections->emplace_back(settings::Section{std::move(key), {}});
}

struct PosixKey {
  KeyPath path;
  uint32_t rights;
  std::shared_ptr<Cache> cache;
};

const PosixKey* posixKey(const RegistryKey& key) {
  return static_cast<const PosixKey*>(key.handle());
}

// The path of `subKey` (backslash-separated, one trailing backslash
// allowed) below `parent`.
uint32_t pathBelow(const RegistryKey& parent, const char* subKey, KeyPath* path) {
  if (posixKey(parent) == nullptr) return kErrorInvalidHandle;
  *path = posixKey(parent)->path;
  std::string rest = subKey == nullptr ? "" : subKey;
  if (!rest.empty() && rest.back() == '\\') rest.pop_back();
  for (size_t start = 0; !rest.empty() && start <= rest.size();) {
    const size_t end = std::min(rest.find('\\', start), rest.size());
    const std::string name = rest.substr(start, end - start);
    if (name.empty()) return kErrorBadPathname;
    if (!settings::isKeyName(name)) return kErrorInvalidParameter;
    path->push_back(name);
    start = end + 1;
  }
  return kErrorSuccess;
}

// Opens `subKey`, or with `create` makes it first when missing. A damaged
// file cannot tell which keys exist: every key opens, and its values fail
// to read or write with 1009.
uint32_t openKey(const RegistryKey& parent, const char* subKey, uint32_t rights, bool create,
                 RegistryKey* out) {
  KeyPath path;
  Store store;
  uint32_t rc = pathBelow(parent, subKey, &path);
  if (rc == kErrorSuccess) {
    rc = openStore(create, create, create ? nullptr : posixKey(parent)->cache.get(), &store);
  }
  if (rc == kErrorSuccess && store.contents && !keyExists(*store.contents, path)) {
    if (!create) return kErrorFileNotFound;
    Sections sections = *store.contents;
    sectionFor(&sections, path);
    rc = commit(store, sections);
  }
  if (rc == kErrorSuccess) out->reset(new PosixKey{path, rights, posixKey(parent)->cache});
  return rc;
}

template <typename Values>
auto findValue(Values& values, const char* name) {
  return std::find_if(values.begin(), values.end(), [name](const settings::Value& v) {
    return settings::sameName(v.name, name == nullptr ? "" : name);
  });
}

}  // namespace

RegistryKey::RegistryKey(RegistryRoot) {
  handle_ = new PosixKey{{kRootName}, kKeyAllAccess, std::make_shared<Cache>()};
}

void RegistryKey::close() {
  delete static_cast<PosixKey*>(handle_);
  handle_ = nullptr;
}

uint32_t openRegistryKey(const RegistryKey& parent, const char* subKey, uint32_t rights,
                         RegistryKey* out) {
  return openKey(parent, subKey, rights, false, out);
}

uint32_t createRegistryKey(const RegistryKey& parent, const char* subKey, uint32_t rights,
                           RegistryKey* out) {
  return openKey(parent, subKey, rights, true, out);
}

uint32_t queryRegistryValue(const RegistryKey& key, const char* name, uint32_t* type, void* data,
                            uint32_t* size) {
  const PosixKey* self = posixKey(key);
  if (self == nullptr) return kErrorInvalidHandle;
  if ((self->rights & kKeyQueryValue) == 0) return kErrorAccessDenied;
  Store store;
  uint32_t rc = openStore(false, false, self->cache.get(), &store);
  if (rc != kErrorSuccess) return rc;
  if (!store.contents) return kErrorBadDb;
  const Sections& sections = *store.contents;
  if (!keyExists(sections, self->path)) return kErrorKeyDeleted;
  const auto section = findSection(sections, self->path);
  if (section == sections.end()) return kErrorFileNotFound;
  const auto value = findValue(section->values, name);
  if (value == section->values.end()) return kErrorFileNotFound;
  if (type != nullptr) *type = value->type;
  const uint32_t needed = static_cast<uint32_t>(value->data.size());
  const uint32_t room = std::exchange(*size, needed);
  if (data == nullptr) return kErrorSuccess;
  if (needed > room) return kErrorMoreData;
  value->data.copy(static_cast<char*>(data), needed);
  return kErrorSuccess;
}

uint32_t setRegistryValue(const RegistryKey& key, const char* name, uint32_t type, const void* data,
                          uint32_t size) {
  const PosixKey* self = posixKey(key);
  if (self == nullptr) return kErrorInvalidHandle;
  if ((self->rights & kKeySetValue) == 0) return kErrorAccessDenied;
  if (name != nullptr && strlen(name) > settings::kMaxValueNameLength) {
    return kErrorInvalidParameter;
  }
  if (data == nullptr && size != 0) return kErrorInvalidParameter;
  Store store;
  // Only the root key exists without a settings folder.
  uint32_t rc = openStore(self->path.size() == 1, true, nullptr, &store);
  if (rc == kErrorFileNotFound) return kErrorKeyDeleted;
  if (rc != kErrorSuccess) return rc;
  if (!store.contents) return kErrorBadDb;
  if (!keyExists(*store.contents, self->path)) return kErrorKeyDeleted;
  Sections sections = *store.contents;
  auto& values = sectionFor(&sections, self->path).values;
  auto value = findValue(values, name);
  if (value == values.end()) value = values.insert(value, {name == nullptr ? "" : name, 0, {}});
  value->type = type;
  value->data = size == 0 ? std::string() : std::string(static_cast<const char*>(data), size);
  return commit(store, sections);
}

// A damaged file hides which keys it holds: deleting any key removes it, so
// that clearing the stored defaults starts over.
uint32_t deleteRegistryKey(const RegistryKey& parent, const char* subKey) {
  KeyPath path;
  uint32_t rc = pathBelow(parent, subKey, &path);
  if (rc != kErrorSuccess) return rc;
  if (path.size() == posixKey(parent)->path.size()) return kErrorInvalidParameter;
  Store store;
  rc = openStore(false, true, nullptr, &store);
  if (rc != kErrorSuccess) return rc;
  if (!store.contents) return commit(store, {});
  Sections sections = *store.contents;
  if (!keyExists(sections, path)) return kErrorFileNotFound;
  const auto end = std::remove_if(sections.begin(), sections.end(),
                                  [&path](const auto& s) { return isWithin(s.path, path, true); });
  if (std::any_of(sections.begin(), end,
                  [&path](const auto& s) { return isWithin(s.path, path); })) {
    return kErrorAccessDenied;  // a key below it remains
  }
  sections.erase(end, sections.end());
  return commit(store, sections);
}

}  // namespace velmora::platform
