#include "platform/privilege.h"

namespace velmora::platform {

// An echo handle needs no privilege on Windows, and the process keeps the
// rights it was started with.
bool openPrivilegedHandlesAndDropPrivileges() { return true; }

}  // namespace velmora::platform
