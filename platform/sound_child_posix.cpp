#include "platform/sound_child_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <vector>

namespace velmora::platform {

namespace {

// The parent's signal handlers act on the parent's state, of which the child
// has only a dead copy (and descriptors of which are closed or reused here).
// Control-C reaches the whole process group: the parent ends its run and,
// with it, the sound, so the child itself ignores it.
void resetSignals() {
  for (int number = 1; number < NSIG; ++number) {
    struct sigaction old {};
    if (sigaction(number, nullptr, &old) != 0) continue;
    if (old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN) std::signal(number, SIG_DFL);
  }
  std::signal(SIGINT, SIG_IGN);
  std::signal(SIGQUIT, SIG_IGN);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

// However the parent ends (a crash, a kill), the child ends with it. False
// when the parent was already gone before the request took hold.
bool followParent(pid_t parent) {
  return prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) == 0 && getppid() == parent;
}

// Kernels before 5.9 lack close_range; /proc lists what is open instead.
// Without either nothing can be promised, and the child gives up.
bool closeListedFrom(int first) {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return false;
  std::vector<int> listed;
  while (const dirent* entry = readdir(dir)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (*end == '\0' && end != entry->d_name && fd >= first && fd != dirfd(dir)) {
      listed.push_back(static_cast<int>(fd));
    }
  }
  closedir(dir);
  for (int fd : listed) close(fd);
  return true;
}

bool closeFrom(int first) {
  return close_range(static_cast<unsigned>(first), ~0U, 0) == 0 || closeListedFrom(first);
}

// The standard descriptors go to /dev/null: a sound library's messages have
// no place on the console, and the child must not hold the caller's pipes
// open. The channel goes to a fixed number, everything else is closed,
// whatever the parent holds (its ICMP sockets among them).
bool keepOnlyChannel(int channel) {
  const int null = open("/dev/null", O_RDWR);
  // Both copies lie above every slot filled below, so no dup2 closes them.
  const int spareNull = fcntl(null, F_DUPFD, kSoundChannelDescriptor + 1);
  const int spareChannel = fcntl(channel, F_DUPFD, kSoundChannelDescriptor + 1);
  if (null < 0 || spareNull < 0 || spareChannel < 0) return false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (dup2(spareNull, fd) != fd) return false;
  }
  if (dup2(spareChannel, kSoundChannelDescriptor) != kSoundChannelDescriptor) return false;
  // Nor does a program a sound library starts get the channel.
  if (fcntl(kSoundChannelDescriptor, F_SETFD, FD_CLOEXEC) != 0) return false;
  return closeFrom(kSoundChannelDescriptor + 1);
}

// The parent gives up every capability before its first sound. Should one be
// left all the same (a caller that plays before dropping them, a test run as
// root), the code that the sound libraries load still gets none.
bool holdNoCapability() {
  prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
  return syscall(SYS_capset, &header, none) == 0;
}

void answerIdle(int channel, uint32_t serial, bool idle) {
  SoundReply reply;
  reply.serial = serial;
  reply.idle = idle ? 1 : 0;
  while (::send(channel, &reply, sizeof reply, MSG_NOSIGNAL) < 0 && errno == EINTR) {
  }
}

// Until the channel ends (the parent stopped the server or exited); the
// player's destructor then cuts off a clip still playing.
void serve(int channel, const PcmOpener& opener) {
  SoundPlayer player(opener);
  for (;;) {
    SoundRequest request;
    const ssize_t got = recv(channel, &request, sizeof request, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got != static_cast<ssize_t>(sizeof request)) return;
    if (request.kind == SoundRequest::kPlay) {
      player.play(request.image, request.size);
    } else if (request.kind == SoundRequest::kReportIdle) {
      const bool idle = player.waitUntilIdle(std::chrono::milliseconds(request.size));
      answerIdle(channel, request.serial, idle);
    }
  }
}

}  // namespace

void runSoundChild(int channel, int parent, const PcmOpener& opener) {
  resetSignals();
  if (followParent(parent) && keepOnlyChannel(channel) && holdNoCapability()) {
    serve(kSoundChannelDescriptor, opener);
  }
  // Never back into the caller's stack, the parent's static destructors or
  // its copy of unflushed output.
  _exit(0);
}

}  // namespace velmora::platform
