#include "app/stored_defaults.h"

#include "support/registry.h"

namespace {

constexpr char kDefaultsKey[] = "Software\\velmorasoft\\toolvane\\tavro";
constexpr char kDefaultsParent[] = "Software\\velmorasoft\\toolvane";
constexpr char kDefaultsSubKey[] = "tavro";

}  // namespace

void loadDefaults(int32_t& count, int32_t& size, int32_t& delay, bool& loop, bool& brief,
                  bool& comment, int32_t& soundSuccess, int32_t& soundFailure) {
  CRegistry registry(velmora::platform::RegistryRoot::kCurrentUser, false);
  if (!registry.keyExists(kDefaultsKey)) return;
  registry.readDword(kDefaultsKey, "packet_count", count);
  registry.readDword(kDefaultsKey, "packet_size", size);
  registry.readDword(kDefaultsKey, "packet_delay", delay);
  registry.readFlag(kDefaultsKey, "loop", loop);
  registry.readFlag(kDefaultsKey, "ping_quick", brief);
  registry.readFlag(kDefaultsKey, "ping_quick_comment", comment);
  registry.readDword(kDefaultsKey, "sound_success", soundSuccess);
  registry.readDword(kDefaultsKey, "sound_failure", soundFailure);
}

void saveDefaults(int32_t count, int32_t size, int32_t delay, bool loop, bool brief, bool comment,
                  int32_t soundSuccess, int32_t soundFailure) {
  CRegistry registry(velmora::platform::RegistryRoot::kCurrentUser, false);
  registry.createKey(kDefaultsKey);
  registry.writeDword(kDefaultsKey, "packet_count", count);
  registry.writeDword(kDefaultsKey, "packet_size", size);
  registry.writeDword(kDefaultsKey, "packet_delay", delay);
  registry.writeFlag(kDefaultsKey, "loop", loop);
  registry.writeFlag(kDefaultsKey, "ping_quick", brief);
  registry.writeFlag(kDefaultsKey, "ping_quick_comment", comment);
  registry.writeDword(kDefaultsKey, "sound_success", soundSuccess);
  registry.writeDword(kDefaultsKey, "sound_failure", soundFailure);
}

bool clearDefaults() {
  CRegistry registry(velmora::platform::RegistryRoot::kCurrentUser, false);
  return registry.deleteSubKey(kDefaultsParent, kDefaultsSubKey);
}
