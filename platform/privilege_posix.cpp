#include "platform/privilege.h"

#include <sys/capability.h>
#include <sys/prctl.h>

#include <memory>
#include <type_traits>

#include "platform/icmp_echo.h"

namespace velmora::platform {

namespace {

using Capabilities = std::unique_ptr<std::remove_pointer_t<cap_t>, decltype(&cap_free)>;

Capabilities ofThisProcess() { return Capabilities(cap_get_proc(), cap_free); }

// cap_init gives a state with every set empty.
Capabilities noCapabilities() { return Capabilities(cap_init(), cap_free); }

bool holds(const Capabilities& caps, cap_value_t capability, cap_flag_t set) {
  cap_flag_value_t value = CAP_CLEAR;
  return caps && cap_get_flag(caps.get(), capability, set, &value) == 0 && value == CAP_SET;
}

// A file capability granted as permitted only (setcap cap_net_raw+p) is in
// force once the process makes it effective.
void raiseRawSocketRight() {
  Capabilities caps = ofThisProcess();
  if (!holds(caps, CAP_NET_RAW, CAP_PERMITTED) || holds(caps, CAP_NET_RAW, CAP_EFFECTIVE)) return;
  const cap_value_t raw = CAP_NET_RAW;
  if (cap_set_flag(caps.get(), CAP_EFFECTIVE, 1, &raw, CAP_SET) == 0) cap_set_proc(caps.get());
}

// Without this a program run by a root process would get every capability
// back. Emptying it needs CAP_SETPCAP, which a process started with only the
// file capability lacks; such a process cannot gain capabilities by running
// a program anyway (only from that program's own file capabilities).
void emptyBoundingSet() {
  if (!holds(ofThisProcess(), CAP_SETPCAP, CAP_EFFECTIVE)) return;
  // One call a capability: asking first whether it is bounded would double
  // the calls for nothing, as a root process holds them all.
  const cap_value_t count = static_cast<cap_value_t>(cap_max_bits());
  for (cap_value_t capability = 0; capability < count; ++capability) cap_drop_bound(capability);
}

bool noCapabilityLeft() {
  Capabilities caps = ofThisProcess();
  Capabilities none = noCapabilities();
  return caps && none && cap_compare(caps.get(), none.get()) == 0;
}

// Permitted, effective and inheritable all empty; the ambient set goes
// with the permitted one, and a change of user could not bring them back.
bool dropCapabilities() {
  emptyBoundingSet();
  prctl(PR_SET_KEEPCAPS, 0, 0, 0, 0);
  // Kernels without ambient capabilities refuse this; they have none to
  // keep. One call, where the library's reset asks after every capability.
  prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
  Capabilities none = noCapabilities();
  // A system that refuses the call may still have left nothing to drop.
  return (none && cap_set_proc(none.get()) == 0) || noCapabilityLeft();
}

}  // namespace

bool openPrivilegedHandlesAndDropPrivileges() {
  raiseRawSocketRight();
  IcmpEcho::hold();
  return dropCapabilities();
}

}  // namespace velmora::platform
