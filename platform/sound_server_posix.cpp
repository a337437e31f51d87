#include "platform/sound_server_posix.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/sound_child_posix.h"

namespace velmora::platform {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A child ends within a few milliseconds of its channel closing; one that
// does not (a sound library stuck in a call) is killed after this, so that
// it never holds up the end of the run for long.
constexpr milliseconds kExitWait{250};
// The child answers an idle query once its own wait is over; this much more
// covers the trip back.
constexpr milliseconds kReplySlack{1000};

int millisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Reads what the channel brings until `deadline`: true with the reply to
// `serial` in *reply, false when time ran out or the channel ended (which
// *ended then says). Replies to earlier queries that gave up are skipped.
bool receiveReply(int channel, uint32_t serial, Clock::time_point deadline, SoundReply* reply,
                  bool* ended) {
  *ended = false;
  for (;;) {
    const ssize_t got = recv(channel, reply, sizeof *reply, MSG_DONTWAIT);
    if (got == static_cast<ssize_t>(sizeof *reply) && reply->serial == serial) return true;
    const bool drained = got < 0 && errno == EAGAIN;
    if (got == 0 || (got < 0 && !drained && errno != EINTR)) {
      *ended = true;
      return false;
    }
    // Checked after every message too: a child that writes without pause
    // must not hold the caller past the deadline.
    const int wait = millisecondsLeft(deadline);
    if (wait == 0) return false;
    if (!drained) continue;
    pollfd readable{channel, POLLIN, 0};
    poll(&readable, 1, wait);
  }
}

// Kills the child unless it has already exited, and reaps it either way.
void reap(pid_t child) {
  if (waitpid(child, nullptr, WNOHANG) == child) return;
  kill(child, SIGKILL);
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

SoundServer::SoundServer(PcmOpener opener) : opener_(std::move(opener)) {}

SoundServer::~SoundServer() { stop(); }

bool SoundServer::start() {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return false;
  // tavro runs no thread of its own, so the child may do anything a process
  // may; its sound libraries are loaded there, never here.
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child == 0) runSoundChild(ends[1], parent, opener_);
  close(ends[1]);
  if (child < 0) {
    close(ends[0]);
    return false;
  }
  channel_ = ends[0];
  child_ = child;
  return true;
}

void SoundServer::play(const void* image, size_t size) {
  if (child_ < 0) {
    if (failed_) return;
    if (!start()) {
      failed_ = true;
      return;
    }
  }
  if (!send(SoundRequest::kPlay, 0, image, size)) lose();
}

bool SoundServer::waitUntilIdle(milliseconds limit) {
  if (child_ < 0) return true;
  const uint32_t serial = ++serial_;
  if (!send(SoundRequest::kReportIdle, serial, nullptr, static_cast<size_t>(limit.count()))) {
    lose();
    return true;
  }
  SoundReply reply;
  bool ended = false;
  if (receiveReply(channel_, serial, Clock::now() + limit + kReplySlack, &reply, &ended)) {
    return reply.idle != 0;
  }
  if (!ended) return false;
  lose();
  return true;
}

void SoundServer::stop() {
  failed_ = false;
  if (child_ < 0) return;
  // The end of the channel tells the child to cut off its clip and exit; it
  // closes its end as it goes. No query has serial 0, so this reads until
  // then, or until the wait is over.
  shutdown(channel_, SHUT_WR);
  SoundReply unread;
  bool ended = false;
  receiveReply(channel_, 0, Clock::now() + kExitWait, &unread, &ended);
  close(channel_);
  reap(child_);
  channel_ = -1;
  child_ = -1;
}

// True while the child is there to read the request. A request that finds
// the channel full (a child that reads nothing, say one stopped by a signal)
// is dropped rather than let the probes wait for it.
bool SoundServer::send(uint32_t kind, uint32_t serial, const void* image, size_t size) {
  SoundRequest request;
  request.kind = kind;
  request.serial = serial;
  request.image = image;
  request.size = size;
  for (;;) {
    const ssize_t sent = ::send(channel_, &request, sizeof request, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent == static_cast<ssize_t>(sizeof request)) return true;
    if (sent < 0 && errno == EINTR) continue;
    return sent < 0 && errno == EAGAIN;
  }
}

// The child died (or stopped reading for good): reap it, and play nothing
// more in this run rather than fork a new child at every probe.
void SoundServer::lose() {
  stop();
  failed_ = true;
}

}  // namespace velmora::platform
