#include "platform/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hive_file_posix.h"

// The hive of HKEY_CURRENT_USER is a directory tree: one directory per key
// (its name encoded by hive::encodeKeyName), holding the key's values in
// ".values.reg" and an advisory lock file ".lock". Names starting with a dot
// are never keys, so the hive's own files cannot clash with subkeys. Key and
// value names keep the case they were created with and are matched without
// regard to ASCII case, as the registry does.
namespace velmora::platform {
namespace {

constexpr char kValuesFile[] = ".values.reg";
constexpr char kTempPrefix[] = ".values.reg.tmp-";
constexpr char kLockFile[] = ".lock";
constexpr char kDeletedPrefix[] = ".deleted-";
constexpr off_t kMaxValuesFileBytes = 16 * 1024 * 1024;
constexpr uint32_t kErrorWriteProtect = 19;
constexpr uint32_t kErrorDiskFull = 112;

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  ~FileDescriptor() { reset(-1); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

using SharedValues = std::shared_ptr<const hive::ValueList>;

// The values file parsed last through a root key and the keys opened from
// it, by path and version. A run reads its values one by one, each through
// a key handle of its own, and each would otherwise read and parse the
// whole file again; the cache ends with the root key. The file stays open
// so that its inode cannot be freed and handed to a newer file, which could
// then pass for the version parsed.
struct ParsedFile {
  std::mutex mutex;
  std::string path;
  FileDescriptor file;
  std::unique_ptr<struct stat> version;
  uint32_t code = kErrorSuccess;
  SharedValues values;
};

struct PosixKey {
  std::string dir;
  uint32_t rights = 0;
  std::shared_ptr<ParsedFile> parsed;
};

const PosixKey* posixKey(const RegistryKey& key) {
  return static_cast<const PosixKey*>(key.handle());
}

uint32_t windowsCode(int err) {
  switch (err) {
    case ENOENT:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EROFS:
      return kErrorWriteProtect;
    case ENAMETOOLONG:
      return kErrorFilenameTooLong;
    default:
      return kErrorRegistryIoFailed;
  }
}

std::string configHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config";
  const passwd* entry = getpwuid(getuid());
  if (entry != nullptr && entry->pw_dir != nullptr) return std::string(entry->pw_dir) + "/.config";
  return std::string();
}

bool isDirectory(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Splits a backslash-separated key path; one trailing backslash is allowed.
uint32_t splitKeyPath(const char* subKey, std::vector<std::string>* parts) {
  parts->clear();
  if (subKey == nullptr || subKey[0] == '\0') return kErrorSuccess;
  std::string path(subKey);
  if (path.back() == '\\') path.pop_back();
  size_t start = 0;
  while (true) {
    size_t end = path.find('\\', start);
    std::string part = path.substr(start, end == std::string::npos ? end : end - start);
    if (part.empty()) return kErrorBadPathname;
    if (part.size() > hive::kMaxKeyNameLength) return kErrorInvalidParameter;
    parts->push_back(part);
    if (end == std::string::npos) return kErrorSuccess;
    start = end + 1;
  }
}

// The directory of subkey `name` in `dir`: the exactly named one if present,
// otherwise the first (in byte order) whose name matches without case.
uint32_t findSubKey(const std::string& dir, const std::string& name, std::string* found) {
  std::string exact = dir + "/" + hive::encodeKeyName(name);
  if (isDirectory(exact)) {
    *found = exact;
    return kErrorSuccess;
  }
  DIR* stream = opendir(dir.c_str());
  // A key below something that is no directory (a hive base that names a
  // regular file) does not exist, as a key below a missing one does not.
  if (stream == nullptr) return errno == ENOTDIR ? kErrorFileNotFound : windowsCode(errno);
  std::string best;
  while (const dirent* entry = readdir(stream)) {
    std::string decoded;
    if (!hive::decodeKeyName(entry->d_name, &decoded) || !hive::sameName(decoded, name)) continue;
    if (!isDirectory(dir + "/" + entry->d_name)) continue;
    if (best.empty() || best > entry->d_name) best = entry->d_name;
  }
  closedir(stream);
  if (best.empty()) return kErrorFileNotFound;
  *found = dir + "/" + best;
  return kErrorSuccess;
}

uint32_t walk(std::string dir, const std::vector<std::string>& parts, size_t count,
              std::string* found) {
  for (size_t i = 0; i < count; ++i) {
    uint32_t rc = findSubKey(dir, parts[i], &dir);
    if (rc != kErrorSuccess) return rc;
  }
  *found = dir;
  return kErrorSuccess;
}

// Holds an exclusive flock on a key's lock file. The key may have been
// deleted (its directory renamed away) while this waited for the lock; that
// is detected by comparing the locked file with the one now at the path.
class KeyLock {
 public:
  explicit KeyLock(const std::string& dir) {
    std::string path = dir + "/" + kLockFile;
    // Never blocks on opening, whatever has been put at the path.
    fd_ =
        open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd_ < 0) {
      code_ = errno == ENOENT ? kErrorKeyDeleted : windowsCode(errno);
      return;
    }
    int rc;
    do rc = flock(fd_, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    struct stat held, current;
    if (rc != 0) {
      code_ = windowsCode(errno);
    } else if (fstat(fd_, &held) != 0 || stat(path.c_str(), &current) != 0 ||
               held.st_ino != current.st_ino || held.st_dev != current.st_dev) {
      code_ = kErrorKeyDeleted;
    }
  }
  ~KeyLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  KeyLock(const KeyLock&) = delete;
  KeyLock& operator=(const KeyLock&) = delete;
  uint32_t code() const { return code_; }

 private:
  int fd_ = -1;
  uint32_t code_ = kErrorSuccess;
};

// Whether two fstat results describe the same version of a file. Writers
// always rename a new file into place, so a changed file has a new inode;
// size and times also catch an edit in place by someone else.
bool sameVersion(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Reads and parses the file a piece at a time, so that only the values, not
// the whole text, are held: a piece is carried over when it ends inside a
// line, and grows only for a line longer than itself.
uint32_t parseWholeFile(int fd, off_t size, hive::ValueList* values) {
  constexpr size_t kPieceBytes = 256 * 1024;
  hive::ValuesParser parser(values, static_cast<size_t>(size));
  std::string piece(kPieceBytes, '\0');
  size_t kept = 0, total = 0;
  while (true) {
    if (kept == piece.size()) piece.resize(piece.size() * 2);
    ssize_t n = read(fd, &piece[kept], piece.size() - kept);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return windowsCode(errno);
    total += static_cast<size_t>(n);
    if (total > static_cast<size_t>(kMaxValuesFileBytes)) return kErrorBadDb;
    const bool atEnd = n == 0;
    const size_t filled = kept + static_cast<size_t>(n);
    size_t used = 0;
    if (!parser.parse(std::string_view(piece.data(), filled), atEnd, &used)) return kErrorBadDb;
    if (atEnd) break;
    kept = filled - used;
    std::memmove(&piece[0], piece.data() + used, kept);
  }
  return parser.finish() ? kErrorSuccess : kErrorBadDb;
}

// The values file of `dir`, opened for reading. Opening never blocks (a
// FIFO put there would otherwise hang every run) and a symbolic link is not
// followed; anything but a regular file of at most kMaxValuesFileBytes makes
// the key unreadable (1009), as an unparseable file does. A missing file is
// a key without values: `file` stays closed.
uint32_t openValuesFile(const std::string& dir, FileDescriptor* file, struct stat* st) {
  std::string path = dir + "/" + kValuesFile;
  int opened = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (opened < 0) {
    if (errno != ENOENT) return errno == ELOOP ? kErrorBadDb : windowsCode(errno);
    return isDirectory(dir) ? kErrorSuccess : kErrorKeyDeleted;
  }
  file->reset(opened);
  if (fstat(opened, st) != 0) return windowsCode(errno);
  if (!S_ISREG(st->st_mode) || st->st_size > kMaxValuesFileBytes) return kErrorBadDb;
  return kErrorSuccess;
}

// The values as the file holds them now, for writers: read under the key's
// lock, never from the cache.
uint32_t loadValuesForUpdate(const std::string& dir, hive::ValueList* values) {
  *values = hive::ValueList();
  FileDescriptor file;
  struct stat st;
  uint32_t rc = openValuesFile(dir, &file, &st);
  if (rc != kErrorSuccess || file.get() < 0) return rc;
  return parseWholeFile(file.get(), st.st_size, values);
}

// The values for readers. The file is opened and checked every time, so a
// value stored meanwhile by any process is seen; it is read and parsed only
// when it is not the version parsed last. A missing file is a key without
// values; one that cannot be parsed makes the key unreadable (1009) rather
// than silently empty.
uint32_t loadValues(const std::string& dir, ParsedFile* parsed, SharedValues* values) {
  static const SharedValues kNoValues = std::make_shared<const hive::ValueList>();
  *values = kNoValues;
  FileDescriptor file;
  struct stat st;
  uint32_t rc = openValuesFile(dir, &file, &st);
  if (rc != kErrorSuccess || file.get() < 0) return rc;
  const std::string path = dir + "/" + kValuesFile;
  std::lock_guard<std::mutex> hold(parsed->mutex);
  if (parsed->version == nullptr || parsed->path != path || !sameVersion(*parsed->version, st)) {
    auto fresh = std::make_shared<hive::ValueList>();
    rc = parseWholeFile(file.get(), st.st_size, fresh.get());
    // A failed read may pass; only what the file says is kept.
    if (rc != kErrorSuccess && rc != kErrorBadDb) return rc;
    parsed->path = path;
    parsed->file.reset(file.release());
    parsed->version.reset(new struct stat(st));
    parsed->code = rc;
    parsed->values = std::move(fresh);
  }
  if (parsed->code == kErrorSuccess) *values = parsed->values;
  return parsed->code;
}

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void syncDirectory(const std::string& dir) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  ::close(fd);
}

// Temp files only exist while a writer holds the key's lock, so any found by
// the lock holder were left by a writer that was killed.
void removeStaleTemps(const std::string& dir) {
  DIR* stream = opendir(dir.c_str());
  if (stream == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* entry = readdir(stream)) {
    if (std::string(entry->d_name).rfind(kTempPrefix, 0) == 0) stale.push_back(entry->d_name);
  }
  closedir(stream);
  for (const std::string& name : stale) unlink((dir + "/" + name).c_str());
}

// Replaces the values file as a whole: a reader sees the old or the new file,
// never a mixture, and a crash leaves the old one in place.
uint32_t storeValues(const std::string& dir, const hive::ValueList& values) {
  // A file too large to read back would lose every value of the key at
  // the next read: refuse the write instead.
  const std::string text = hive::formatValues(values);
  if (text.size() > static_cast<size_t>(kMaxValuesFileBytes)) return kErrorNotEnoughMemory;
  removeStaleTemps(dir);
  std::string temp = dir + "/" + kTempPrefix + "XXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0) return errno == ENOENT ? kErrorKeyDeleted : windowsCode(errno);
  bool ok = writeAll(fd, text) && fsync(fd) == 0;
  int err = errno;
  ok = (::close(fd) == 0) && ok;
  if (ok && rename(temp.c_str(), (dir + "/" + kValuesFile).c_str()) == 0) {
    syncDirectory(dir);
    return kErrorSuccess;
  }
  err = errno != 0 ? errno : err;
  unlink(temp.c_str());
  return windowsCode(err);
}

uint32_t makeDirectories(const std::string& path) {
  if (isDirectory(path)) return kErrorSuccess;
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    uint32_t rc = makeDirectories(path.substr(0, slash));
    if (rc != kErrorSuccess) return rc;
  }
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return windowsCode(errno);
  return kErrorSuccess;
}

// Creates subkey `name` of `dir` unless a case-variant appeared meanwhile;
// the parent's lock keeps two creators from making both "a" and "A".
uint32_t createSubKey(const std::string& dir, const std::string& name, std::string* created) {
  KeyLock lock(dir);
  if (lock.code() != kErrorSuccess) return lock.code();
  if (findSubKey(dir, name, created) == kErrorSuccess) return kErrorSuccess;
  std::string encoded = hive::encodeKeyName(name);
  if (encoded.size() > NAME_MAX) return kErrorFilenameTooLong;
  *created = dir + "/" + encoded;
  if (mkdir(created->c_str(), 0700) != 0 && errno != EEXIST) return windowsCode(errno);
  syncDirectory(dir);
  return kErrorSuccess;
}

bool hasSubKeys(const std::string& dir) {
  DIR* stream = opendir(dir.c_str());
  if (stream == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(stream)) {
    if (entry->d_name[0] != '.' && isDirectory(dir + "/" + entry->d_name)) found = true;
  }
  closedir(stream);
  return found;
}

// Removes only what the hive itself puts in a key directory; anything else
// (a stranger's file) keeps the renamed directory alive rather than be lost.
void removeKeyDirectory(const std::string& dir) {
  DIR* stream = opendir(dir.c_str());
  if (stream == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(stream)) names.push_back(entry->d_name);
  closedir(stream);
  for (const std::string& name : names) {
    std::string path = dir + "/" + name;
    if (name == kValuesFile || name == kLockFile || name.rfind(kTempPrefix, 0) == 0) {
      unlink(path.c_str());
    } else if (name.rfind(kDeletedPrefix, 0) == 0) {
      removeKeyDirectory(path);
    }
  }
  rmdir(dir.c_str());
}

uint32_t newKey(const PosixKey& from, const std::string& dir, uint32_t rights, RegistryKey* out) {
  SharedValues values;
  uint32_t rc = loadValues(dir, from.parsed.get(), &values);
  if (rc != kErrorSuccess) return rc;
  out->reset(new PosixKey{dir, rights, from.parsed});
  return kErrorSuccess;
}

std::string hiveRootDirectory(RegistryRoot root) {
  std::string home = configHome();
  if (home.empty()) return std::string();
  switch (root) {
    case RegistryRoot::kCurrentUser:
      return home + "/tavro/registry/HKEY_CURRENT_USER";
  }
  return std::string();
}

}  // namespace

RegistryKey::RegistryKey(RegistryRoot root) {
  handle_ = new PosixKey{hiveRootDirectory(root), kKeyAllAccess, std::make_shared<ParsedFile>()};
}

void RegistryKey::close() {
  delete static_cast<PosixKey*>(handle_);
  handle_ = nullptr;
}

uint32_t openRegistryKey(const RegistryKey& parent, const char* subKey, uint32_t rights,
                         RegistryKey* out) {
  const PosixKey* from = posixKey(parent);
  if (from == nullptr) return kErrorInvalidHandle;
  std::vector<std::string> parts;
  uint32_t rc = splitKeyPath(subKey, &parts);
  std::string dir;
  if (rc == kErrorSuccess) rc = walk(from->dir, parts, parts.size(), &dir);
  if (rc == kErrorSuccess) rc = newKey(*from, dir, rights, out);
  return rc;
}

uint32_t createRegistryKey(const RegistryKey& parent, const char* subKey, uint32_t rights,
                           RegistryKey* out) {
  const PosixKey* from = posixKey(parent);
  if (from == nullptr) return kErrorInvalidHandle;
  std::vector<std::string> parts;
  uint32_t rc = splitKeyPath(subKey, &parts);
  if (rc != kErrorSuccess) return rc;
  std::string dir = from->dir;
  if (dir.empty()) return kErrorFileNotFound;
  if (!isDirectory(dir)) {
    rc = makeDirectories(dir);
    if (rc != kErrorSuccess) return rc;
  }
  for (const std::string& part : parts) {
    std::string next;
    rc = findSubKey(dir, part, &next);
    if (rc == kErrorFileNotFound) rc = createSubKey(dir, part, &next);
    if (rc != kErrorSuccess) return rc;
    dir = next;
  }
  return newKey(*from, dir, rights, out);
}

uint32_t queryRegistryValue(const RegistryKey& key, const char* name, uint32_t* type, void* data,
                            uint32_t* size) {
  const PosixKey* self = posixKey(key);
  if (self == nullptr) return kErrorInvalidHandle;
  if ((self->rights & kKeyQueryValue) == 0) return kErrorAccessDenied;
  SharedValues values;
  uint32_t rc = loadValues(self->dir, self->parsed.get(), &values);
  if (rc != kErrorSuccess) return rc;
  const std::optional<hive::ValueRef> value = values->find(name == nullptr ? "" : name);
  if (!value) return kErrorFileNotFound;
  if (type != nullptr) *type = value->type;
  uint32_t needed = static_cast<uint32_t>(value->data.size());
  uint32_t room = *size;
  *size = needed;
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
  std::string valueName = name == nullptr ? "" : name;
  if (valueName.size() > hive::kMaxValueNameLength) return kErrorInvalidParameter;
  if (data == nullptr && size != 0) return kErrorInvalidParameter;
  KeyLock lock(self->dir);
  if (lock.code() != kErrorSuccess) return lock.code();
  hive::ValueList values;
  uint32_t rc = loadValuesForUpdate(self->dir, &values);
  if (rc != kErrorSuccess) return rc;
  std::string_view bytes(size == 0 ? "" : static_cast<const char*>(data), size);
  if (!values.put(valueName, type, bytes)) return kErrorNotEnoughMemory;
  return storeValues(self->dir, values);
}

uint32_t deleteRegistryKey(const RegistryKey& parent, const char* subKey) {
  const PosixKey* from = posixKey(parent);
  if (from == nullptr) return kErrorInvalidHandle;
  std::vector<std::string> parts;
  uint32_t rc = splitKeyPath(subKey, &parts);
  if (rc != kErrorSuccess) return rc;
  if (parts.empty()) return kErrorInvalidParameter;
  std::string parentDir, target;
  rc = walk(from->dir, parts, parts.size() - 1, &parentDir);
  if (rc == kErrorSuccess) rc = findSubKey(parentDir, parts.back(), &target);
  if (rc != kErrorSuccess) return rc;
  KeyLock lock(target);
  if (lock.code() != kErrorSuccess) {
    return lock.code() == kErrorKeyDeleted ? kErrorFileNotFound : lock.code();
  }
  if (hasSubKeys(target)) return kErrorAccessDenied;
  static std::atomic<unsigned> graves{0};
  std::string grave =
      parentDir + "/" + kDeletedPrefix + std::to_string(getpid()) + "-" + std::to_string(graves++);
  if (rename(target.c_str(), grave.c_str()) != 0) return windowsCode(errno);
  syncDirectory(parentDir);
  removeKeyDirectory(grave);
  return kErrorSuccess;
}

}  // namespace velmora::platform
