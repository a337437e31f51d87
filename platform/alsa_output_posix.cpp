#include <cerrno>
#include <mutex>

#include "platform/sound_libraries_posix.h"
#include "platform/sound_player_posix.h"

namespace velmora::platform {

namespace {

// Enough buffered sound to ride out scheduling hiccups, little enough that a
// cut-off clip stops promptly.
constexpr unsigned kLatencyMicroseconds = 100000;

// ALSA reports every failure on stderr by default; a missing or busy sound
// device must leave the console untouched.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

class AlsaOutput : public PcmOutput {
 public:
  AlsaOutput(const AlsaApi& alsa, snd_pcm_t* pcm) : alsa_(alsa), pcm_(pcm) {}
  ~AlsaOutput() override { alsa_.pcmClose(pcm_); }

  long write(const int16_t* samples, long frames) override {
    snd_pcm_sframes_t n = alsa_.pcmWritei(pcm_, samples, static_cast<snd_pcm_uframes_t>(frames));
    if (n >= 0) return static_cast<long>(n);
    if (n == -EAGAIN) return 0;
    // An underrun (the worker was not scheduled in time) or a suspend: pick up
    // where we are rather than losing the rest of the clip.
    return alsa_.pcmRecover(pcm_, static_cast<int>(n), 1) == 0 ? 0 : -1;
  }

  void waitForRoom(int ms) override { alsa_.pcmWait(pcm_, ms); }

  long pending() override {
    snd_pcm_state_t state = alsa_.pcmState(pcm_);
    if (state == SND_PCM_STATE_PREPARED) {
      // A clip shorter than the start threshold sits in the buffer until told.
      if (alsa_.pcmStart(pcm_) < 0) return 0;
    } else if (state != SND_PCM_STATE_RUNNING) {
      return 0;
    }
    snd_pcm_sframes_t delay = 0;
    if (alsa_.pcmDelay(pcm_, &delay) < 0) return 0;
    return delay > 0 ? static_cast<long>(delay) : 0;
  }

  void finish(bool discard) override {
    if (discard) {
      alsa_.pcmDrop(pcm_);
      return;
    }
    // Everything has been heard by now, so a blocking drain returns at once;
    // it still hands the device's last bytes on (a file sink flushes them).
    alsa_.pcmNonblock(pcm_, 0);
    alsa_.pcmDrain(pcm_);
  }

 private:
  const AlsaApi& alsa_;
  snd_pcm_t* pcm_;
};

}  // namespace

std::unique_ptr<PcmOutput> openAlsaOutput(int rate, int channels) {
  const AlsaApi* alsa = alsaApi();
  if (alsa == nullptr) return nullptr;
  static std::once_flag silenced;
  std::call_once(silenced, [alsa] { alsa->libErrorSetHandler(ignoreAlsaError); });
  snd_pcm_t* pcm = nullptr;
  // Non-blocking: a device held by another program must not stall us.
  if (alsa->pcmOpen(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
    return nullptr;
  }
  auto out = std::make_unique<AlsaOutput>(*alsa, pcm);
  if (alsa->pcmSetParams(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                         static_cast<unsigned>(channels), static_cast<unsigned>(rate), 1,
                         kLatencyMicroseconds) < 0) {
    return nullptr;
  }
  return out;
}

}  // namespace velmora::platform
