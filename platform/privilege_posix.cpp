#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

// The kernel's capability interface: libcap only wraps these two calls.
#include <linux/capability.h>

#include "platform/icmp_echo.h"
#include "platform/privilege.h"

namespace velmora::platform {

namespace {

using CapabilitySets = __user_cap_data_struct[_LINUX_CAPABILITY_U32S_3];

bool readCapabilities(CapabilitySets* sets) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(SYS_capget, &header, *sets) == 0;
}

bool mayChangeBoundingSet() {
  CapabilitySets sets = {};
  if (!readCapabilities(&sets)) return false;
  return (sets[CAP_TO_INDEX(CAP_SETPCAP)].effective & CAP_TO_MASK(CAP_SETPCAP)) != 0;
}

// Without this a program run by a root process would get every capability
// back. Emptying it needs CAP_SETPCAP, which a process started with only the
// file capability lacks; such a process cannot gain capabilities by running
// a program anyway (only from that program's own file capabilities).
void emptyBoundingSet() {
  if (!mayChangeBoundingSet()) return;
  for (int capability = 0; prctl(PR_CAPBSET_READ, capability, 0, 0, 0) >= 0; ++capability) {
    prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
  }
}

// A file capability granted as permitted only (setcap cap_net_raw+p) is in
// force once the process makes it effective.
void raiseRawSocketRight() {
  CapabilitySets sets = {};
  if (!readCapabilities(&sets)) return;
  auto& set = sets[CAP_TO_INDEX(CAP_NET_RAW)];
  const uint32_t mask = CAP_TO_MASK(CAP_NET_RAW);
  if ((set.permitted & mask) == 0 || (set.effective & mask) != 0) return;
  set.effective |= mask;
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  syscall(SYS_capset, &header, sets);
}

bool noCapabilityLeft() {
  CapabilitySets sets = {};
  if (!readCapabilities(&sets)) return false;
  for (const auto& set : sets) {
    if (set.permitted != 0 || set.effective != 0 || set.inheritable != 0) return false;
  }
  return true;
}

// Permitted, effective and inheritable all empty; the ambient set goes
// with the permitted one, and a change of user could not bring them back.
bool dropCapabilities() {
  emptyBoundingSet();
  prctl(PR_SET_KEEPCAPS, 0, 0, 0, 0);
  prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  CapabilitySets none = {};
  // A system that refuses the call may still have left nothing to drop.
  return syscall(SYS_capset, &header, none) == 0 || noCapabilityLeft();
}

}  // namespace

bool openPrivilegedHandlesAndDropPrivileges() {
  raiseRawSocketRight();
  IcmpEcho::hold();
  return dropCapabilities();
}

}  // namespace velmora::platform
