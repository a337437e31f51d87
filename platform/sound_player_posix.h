#ifndef TAVRO_PLATFORM_SOUND_PLAYER_POSIX_H_
#define TAVRO_PLATFORM_SOUND_PLAYER_POSIX_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace velmora::platform {

struct DecodedWave;

/// A sound device opened for one clip's rate and channel count, fed
/// interleaved signed 16-bit frames. Destruction closes it.
class PcmOutput {
 public:
  virtual ~PcmOutput() = default;
  /// Queues up to `frames` frames without blocking: how many were taken (0
  /// when the device is full), or -1 when the device failed.
  virtual long write(const int16_t* samples, long frames) = 0;
  /// Waits at most `ms` milliseconds for room to write.
  virtual void waitForRoom(int ms) = 0;
  /// Frames queued but not yet heard (0 when all is played or it cannot tell);
  /// starts a stream that holds too little to have started by itself.
  virtual long pending() = 0;
  /// Ends the clip: lets what is queued play out, or throws it away.
  virtual void finish(bool discard) = 0;
};

/// Opens the output for a clip; nullptr when there is no usable device.
using PcmOpener = std::function<std::unique_ptr<PcmOutput>(int rate, int channels)>;

/// The ALSA "default" playback device (which a sound server may stand behind),
/// opened without blocking and with ALSA's own error messages silenced.
std::unique_ptr<PcmOutput> openAlsaOutput(int rate, int channels);

/// Plays WAVE images one at a time on a worker thread of its own. play()
/// only hands the image over; a newer image cuts off the one playing. It
/// loads the sound libraries, so it runs only in a process of its own (see
/// SoundServer), never in one that holds a socket of ours.
class SoundPlayer {
 public:
  explicit SoundPlayer(PcmOpener opener);
  /// Cuts off the clip playing, if any, and joins the worker.
  ~SoundPlayer();
  SoundPlayer(const SoundPlayer&) = delete;
  SoundPlayer& operator=(const SoundPlayer&) = delete;

  /// Queues the image (which must stay valid while it plays) in place of any
  /// image not yet started and returns at once.
  void play(const void* image, size_t size);
  /// Waits until no clip is playing or queued; false when `limit` ran out.
  bool waitUntilIdle(std::chrono::milliseconds limit);

 private:
  struct Request {
    const void* image = nullptr;
    size_t size = 0;
  };

  void run();
  void playOne(const Request& request);
  bool feed(PcmOutput& out, const DecodedWave& wave);
  bool waitForPlayout(PcmOutput& out, const DecodedWave& wave);
  bool interrupted();

  PcmOpener opener_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  Request request_;
  bool hasRequest_ = false;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SOUND_PLAYER_POSIX_H_
