#include "platform/sound_libraries_posix.h"

#include <dlfcn.h>

namespace velmora::platform {

namespace {

class Library {
 public:
  explicit Library(const char* name) : handle_(dlopen(name, RTLD_NOW | RTLD_LOCAL)) {}
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Fills `fn` with the named entry point; false when the library or the
  // symbol is missing.
  template <typename Fn>
  bool bind(const char* symbol, Fn* fn) const {
    *fn = handle_ == nullptr ? nullptr : reinterpret_cast<Fn>(dlsym(handle_, symbol));
    return *fn != nullptr;
  }

  // The libraries stay loaded for the life of the process: a clip may still
  // be playing on the player's thread while static objects are destroyed.

 private:
  void* handle_;
};

bool loadSndfile(SndfileApi* api) {
  static const Library library("libsndfile.so.1");
  return library.bind("sf_open_virtual", &api->openVirtual) &&
         library.bind("sf_readf_short", &api->readfShort) && library.bind("sf_close", &api->close);
}

bool loadAlsa(AlsaApi* api) {
  static const Library library("libasound.so.2");
  return library.bind("snd_lib_error_set_handler", &api->libErrorSetHandler) &&
         library.bind("snd_pcm_open", &api->pcmOpen) &&
         library.bind("snd_pcm_set_params", &api->pcmSetParams) &&
         library.bind("snd_pcm_close", &api->pcmClose) &&
         library.bind("snd_pcm_writei", &api->pcmWritei) &&
         library.bind("snd_pcm_recover", &api->pcmRecover) &&
         library.bind("snd_pcm_wait", &api->pcmWait) &&
         library.bind("snd_pcm_state", &api->pcmState) &&
         library.bind("snd_pcm_start", &api->pcmStart) &&
         library.bind("snd_pcm_delay", &api->pcmDelay) &&
         library.bind("snd_pcm_drop", &api->pcmDrop) &&
         library.bind("snd_pcm_nonblock", &api->pcmNonblock) &&
         library.bind("snd_pcm_drain", &api->pcmDrain);
}

}  // namespace

const SndfileApi* sndfileApi() {
  static SndfileApi api;
  static const bool loaded = loadSndfile(&api);
  return loaded ? &api : nullptr;
}

const AlsaApi* alsaApi() {
  static AlsaApi api;
  static const bool loaded = loadAlsa(&api);
  return loaded ? &api : nullptr;
}

}  // namespace velmora::platform
