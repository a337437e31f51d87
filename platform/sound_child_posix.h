#ifndef TAVRO_PLATFORM_SOUND_CHILD_POSIX_H_
#define TAVRO_PLATFORM_SOUND_CHILD_POSIX_H_

#include <cstddef>
#include <cstdint>

#include "platform/sound_player_posix.h"

namespace velmora::platform {

/// What a SoundServer asks of its child, one message on a SOCK_SEQPACKET
/// channel. The image pointer is valid in the child because the child is a
/// fork of the sender.
struct SoundRequest {
  enum Kind : uint32_t { kPlay = 1, kReportIdle = 2 };
  uint32_t kind = kPlay;
  /// Echoed in the reply to kReportIdle, so that a late reply is told apart.
  uint32_t serial = 0;
  const void* image = nullptr;
  /// The image's size for kPlay; for kReportIdle how many milliseconds the
  /// child may wait for the player to fall idle before it answers.
  size_t size = 0;
};

/// The child's answer to kReportIdle.
struct SoundReply {
  uint32_t serial = 0;
  uint32_t idle = 0;
};

/// The descriptor on which the child keeps its end of the channel.
constexpr int kSoundChannelDescriptor = 3;

/// The body of a freshly forked sound child; never returns. Before any sound
/// library is loaded it puts the parent's signal handlers away, arranges to
/// be killed when `parent` ends, keeps only `channel` (moved to
/// kSoundChannelDescriptor) and the standard three (on /dev/null) of all the
/// descriptors it inherited, and gives up any capability it still has. Then
/// it plays what the channel asks for until the channel closes. If a step
/// fails it ends at once: no sound is better than sound beside a descriptor
/// of the parent's.
[[noreturn]] void runSoundChild(int channel, int parent, const PcmOpener& opener);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SOUND_CHILD_POSIX_H_
