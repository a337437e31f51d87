#ifndef TAVRO_PLATFORM_PRIVILEGE_H_
#define TAVRO_PLATFORM_PRIVILEGE_H_

namespace velmora::platform {

/// Opens what only a privileged process may open (the ICMP socket of the
/// echo calls) and then gives up every privilege for the rest of the run,
/// whether they came from a file capability or from running as root. Call
/// it first in main, before anything reads the user's configuration, loads
/// a library that does, or resolves a name. False when a privilege could not
/// be given up: the process must then end. Windows: nothing to do.
bool openPrivilegedHandlesAndDropPrivileges();

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_PRIVILEGE_H_
