#ifndef TAVRO_PLATFORM_SOUND_LIBRARIES_POSIX_H_
#define TAVRO_PLATFORM_SOUND_LIBRARIES_POSIX_H_

#include <alsa/asoundlib.h>
#include <sndfile.h>

namespace velmora::platform {

/// The entry points of libsndfile that the decoder uses. The library (and the
/// many codec libraries it pulls in) is loaded at the first sound, not at
/// start-up: most runs play nothing and should not pay for mapping them.
struct SndfileApi {
  decltype(&::sf_open_virtual) openVirtual;
  decltype(&::sf_readf_short) readfShort;
  decltype(&::sf_close) close;
};

/// The entry points of ALSA's library that the player uses, loaded likewise.
struct AlsaApi {
  decltype(&::snd_lib_error_set_handler) libErrorSetHandler;
  decltype(&::snd_pcm_open) pcmOpen;
  decltype(&::snd_pcm_set_params) pcmSetParams;
  decltype(&::snd_pcm_close) pcmClose;
  decltype(&::snd_pcm_writei) pcmWritei;
  decltype(&::snd_pcm_recover) pcmRecover;
  decltype(&::snd_pcm_wait) pcmWait;
  decltype(&::snd_pcm_state) pcmState;
  decltype(&::snd_pcm_start) pcmStart;
  decltype(&::snd_pcm_delay) pcmDelay;
  decltype(&::snd_pcm_drop) pcmDrop;
  decltype(&::snd_pcm_nonblock) pcmNonblock;
  decltype(&::snd_pcm_drain) pcmDrain;
};

/// Loaded once per process and kept; nullptr when the library or one of its
/// entry points is missing, which means silence, as without a device.
const SndfileApi* sndfileApi();
const AlsaApi* alsaApi();

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SOUND_LIBRARIES_POSIX_H_
