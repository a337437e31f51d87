#ifndef TAVRO_PLATFORM_PRIVILEGE_H_
#define TAVRO_PLATFORM_PRIVILEGE_H_

namespace velmora::platform {

/// Opens what only a privileged process may open (the ICMP socket of the
/// echo calls) and then gives up every capability for the rest of the run,
/// whether it came from a file capability or from running as root: the
/// permitted, effective, inheritable and ambient sets are emptied, and the
/// bounding set too where the process may change it, so no program it
/// starts gets one back. The user and group ids stay as they are: a run as
/// root still owns what uid 0 owns (it may write a root-owned file that is
/// writable by its owner, or signal another root process) but can no longer
/// override permissions, open raw sockets or do anything else a capability
/// grants. Call it first in main, before anything reads the user's
/// configuration, loads a library that does, or resolves a name. False when
/// a capability could not be given up: the process must then end. Windows:
/// nothing to do.
bool openPrivilegedHandlesAndDropPrivileges();

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_PRIVILEGE_H_
