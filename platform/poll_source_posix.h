#ifndef TAVRO_PLATFORM_POLL_SOURCE_POSIX_H_
#define TAVRO_PLATFORM_POLL_SOURCE_POSIX_H_

// POSIX only: lets a component put descriptors of its own (the resolver's
// sockets) into the one poll() of the calling thread's message wait.

#include <poll.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::platform {

class PollSource {
 public:
  /// Appends the descriptors to watch; may lower `waitMillis` (for timers).
  virtual void addDescriptors(std::vector<pollfd>* entries, uint32_t* waitMillis) = 0;
  /// Called after every poll with the entries it added (revents filled in,
  /// all zero after a time-out), on the same thread; may post messages.
  virtual void onPolled(const pollfd* entries, size_t count) = 0;

 protected:
  ~PollSource() = default;
};

/// Sources belong to the calling thread's wait; remove before destruction.
void addPollSource(PollSource* source);
void removePollSource(PollSource* source);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_POLL_SOURCE_POSIX_H_
