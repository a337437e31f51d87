#include "platform/sound_server_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "platform/resource.h"

namespace velmora::platform {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every descriptor of the calling process and what it leads to.
std::map<int, std::string> openDescriptors() {
  std::map<int, std::string> open;
  DIR* dir = opendir("/proc/self/fd");
  while (const dirent* entry = dir == nullptr ? nullptr : readdir(dir)) {
    if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == dirfd(dir)) continue;
    char target[256] = {};
    std::string link = std::string("/proc/self/fd/") + entry->d_name;
    if (readlink(link.c_str(), target, sizeof target - 1) < 0) continue;
    open[std::atoi(entry->d_name)] = target;
  }
  if (dir != nullptr) closedir(dir);
  return open;
}

// The value of one field of /proc/self/status ("CapEff" and so on).
std::string statusField(const std::string& name) {
  std::istringstream status(readFile("/proc/self/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.compare(0, name.size() + 1, name + ":") == 0) {
      return line.substr(line.find_first_not_of(" \t", name.size() + 1));
    }
  }
  return "";
}

// A device that, in the child, writes down what the process holds at the
// moment the sound libraries would open the output, and then is missing.
struct ReportingDevice {
  std::string dir;
  std::string path;

  ReportingDevice() {
    char pattern[] = "/tmp/tavro-sound-server-XXXXXX";
    dir = mkdtemp(pattern);
    path = dir + "/report";
  }
  ~ReportingDevice() { EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0); }

  PcmOpener opener() const {
    const std::string to = path;
    return [to](int, int) -> std::unique_ptr<PcmOutput> {
      std::ostringstream report;
      for (const auto& [fd, target] : openDescriptors()) report << fd << " " << target << "\n";
      report << "CapPrm " << statusField("CapPrm") << "\nCapEff " << statusField("CapEff") << "\n";
      std::ofstream(to + ".part") << report.str();
      std::rename((to + ".part").c_str(), to.c_str());
      return nullptr;
    };
  }
};

struct Clip {
  Clip() : resource(103, "WAVE") {}
  OwnResource resource;
};

// Whether the process is gone, or a zombie nobody reaps (an orphan whose new
// parent is the test itself, as PID 1 of a namespace).
bool ended(int pid) {
  std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
  return stat.empty() || stat.find(") Z ") != std::string::npos;
}

bool endsWithin(int pid, milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!ended(pid)) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
  return true;
}

TEST(SoundServer, ChildHoldsOnlyItsChannelAndNullStandardStreams) {
  // What the parent holds when the first clip starts, with and without
  // close-on-exec: none of it may reach the child.
  const int udp = socket(AF_INET, SOCK_DGRAM, 0);
  const int closing = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const int file = open("/proc/self/status", O_RDONLY);
  ReportingDevice device;
  {
    SoundServer server(device.opener());
    Clip clip;
    server.play(clip.resource.data(), clip.resource.size());
    EXPECT_TRUE(server.waitUntilIdle(milliseconds(3000)));
  }
  for (int fd : {udp, closing, pipeEnds[0], pipeEnds[1], file}) close(fd);
  std::istringstream report(readFile(device.path));
  std::map<int, std::string> seen;
  std::string line;
  for (int fd; report >> fd && std::getline(report, line);) seen[fd] = line.substr(1);
  ASSERT_EQ(seen.size(), 4u) << readFile(device.path);
  for (int fd = 0; fd <= 2; ++fd) EXPECT_EQ(seen[fd], "/dev/null") << fd;
  EXPECT_EQ(seen[3].rfind("socket:", 0), 0u) << seen[3];
  // Run as root the test process holds every capability; the child none.
  EXPECT_NE(readFile(device.path).find("CapPrm 0000000000000000\n"), std::string::npos);
  EXPECT_NE(readFile(device.path).find("CapEff 0000000000000000\n"), std::string::npos);
}

TEST(SoundServer, StopReapsTheChildAndTheNextClipStartsAnother) {
  ReportingDevice device;
  SoundServer server(device.opener());
  Clip clip;
  EXPECT_EQ(server.childId(), -1);
  EXPECT_TRUE(server.waitUntilIdle(milliseconds(10)));
  server.play(clip.resource.data(), clip.resource.size());
  const int first = server.childId();
  ASSERT_GT(first, 0);
  server.play(clip.resource.data(), clip.resource.size());
  EXPECT_EQ(server.childId(), first);
  server.stop();
  EXPECT_EQ(server.childId(), -1);
  EXPECT_NE(kill(first, 0), 0);  // reaped, so not even a zombie is left
  EXPECT_EQ(errno, ESRCH);
  server.play(clip.resource.data(), clip.resource.size());
  EXPECT_GT(server.childId(), 0);
  EXPECT_NE(server.childId(), first);
}

TEST(SoundServer, ChildStuckInTheSoundLibraryIsKilledPromptly) {
  SoundServer server([](int, int) -> std::unique_ptr<PcmOutput> {
    std::this_thread::sleep_for(std::chrono::seconds(30));
    return nullptr;
  });
  Clip clip;
  server.play(clip.resource.data(), clip.resource.size());
  const int child = server.childId();
  EXPECT_FALSE(server.waitUntilIdle(milliseconds(300)));
  const auto start = Clock::now();
  server.stop();
  EXPECT_LT(Clock::now() - start, milliseconds(1000));
  EXPECT_NE(kill(child, 0), 0);
}

TEST(SoundServer, DeadChildIsReapedAndTheRunGoesOnSilently) {
  ReportingDevice device;
  SoundServer server(device.opener());
  Clip clip;
  server.play(clip.resource.data(), clip.resource.size());
  const int child = server.childId();
  ASSERT_GT(child, 0);
  ASSERT_EQ(kill(child, SIGKILL), 0);
  ASSERT_TRUE(endsWithin(child, milliseconds(2000)));
  // No SIGPIPE, no new child at every clip, and no zombie left behind.
  server.play(clip.resource.data(), clip.resource.size());
  EXPECT_EQ(server.childId(), -1);
  EXPECT_NE(kill(child, 0), 0);
  server.play(clip.resource.data(), clip.resource.size());
  EXPECT_EQ(server.childId(), -1);
  EXPECT_TRUE(server.waitUntilIdle(milliseconds(10)));
}

TEST(SoundServer, ChildEndsWhenItsParentDies) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const pid_t parent = fork();
  ASSERT_GE(parent, 0);
  if (parent == 0) {
    // A run that dies without its destructors: the child must still go.
    SoundServer* server = new SoundServer([](int, int) -> std::unique_ptr<PcmOutput> {
      std::this_thread::sleep_for(std::chrono::seconds(30));
      return nullptr;
    });
    Clip clip;
    server->play(clip.resource.data(), clip.resource.size());
    const int child = server->childId();
    ssize_t written = write(ends[1], &child, sizeof child);
    _exit(written == sizeof child ? 0 : 1);
  }
  close(ends[1]);
  int child = -1;
  EXPECT_EQ(read(ends[0], &child, sizeof child), static_cast<ssize_t>(sizeof child));
  close(ends[0]);
  int status = 0;
  ASSERT_EQ(waitpid(parent, &status, 0), parent);
  ASSERT_GT(child, 0);
  EXPECT_TRUE(endsWithin(child, milliseconds(2000)));
}

}  // namespace
}  // namespace velmora::platform
