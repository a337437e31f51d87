#ifndef TAVRO_PLATFORM_SOUND_SERVER_POSIX_H_
#define TAVRO_PLATFORM_SOUND_SERVER_POSIX_H_

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "platform/sound_player_posix.h"

namespace velmora::platform {

/// Plays WAVE images in a child process of its own. The sound libraries read
/// the user's configuration and load code it names (an ALSA plugin), and such
/// code must never run beside the ICMP socket, which is a privilege in
/// itself, nor beside any other descriptor of ours. The child is forked at the
/// first play(), so it starts from the caller's memory (the executable's own
/// clips included) but keeps no descriptor of it: only its end of the request
/// channel and the standard three on /dev/null. It holds no capability, loads
/// the sound libraries only then, and ends with this object or with the
/// process that made it.
class SoundServer {
 public:
  explicit SoundServer(PcmOpener opener);
  /// stop().
  ~SoundServer();
  SoundServer(const SoundServer&) = delete;
  SoundServer& operator=(const SoundServer&) = delete;

  /// Hands the image to the child and returns at once; a newer image cuts off
  /// the one playing. The image is read in the child's copy of this process's
  /// memory, so it must be there when the child is forked at the first play,
  /// as the executable's resources are. Failures are silent: without a child
  /// (it could not be started, or it died) nothing plays for the rest of the
  /// run.
  void play(const void* image, size_t size);
  /// Waits until the child plays nothing and has nothing queued; false when
  /// `limit` ran out or the child is gone. True when no child was started.
  bool waitUntilIdle(std::chrono::milliseconds limit);
  /// Ends the child (a clip playing is cut off) and reaps it, killing it if it
  /// does not end by itself promptly; the next play() starts a new one, which
  /// sees the environment of that moment.
  void stop();
  /// The child's process id, or -1 while there is none.
  int childId() const { return child_; }

 private:
  bool start();
  bool send(uint32_t kind, uint32_t serial, const void* image, size_t size);
  void lose();

  PcmOpener opener_;
  int channel_ = -1;
  int child_ = -1;
  uint32_t serial_ = 0;
  // Set when a child could not be started or died: a run does not fork a
  // new one at every probe.
  bool failed_ = false;
};

/// The process-wide server on the ALSA output that playWaveAsync uses.
SoundServer& systemSoundServer();

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SOUND_SERVER_POSIX_H_
