/* Linked by lld-link against velmora_components.lib alone (no C runtime),
   as a check that an MSVC-style link accepts the import library: reads
   VersionTag through the DLL and exits with 0 when it is the header's. */
#include "velmora_components.h"

int VELMORA_CALL start(void) {
  const char* expected = "velmora components " VELMORA_COMPONENTS_VERSION_TEXT;
  const char* tag;
  void* port;
  IPPort_StaticInit(0);
  port = IPPort_Create(0, 0);
  if (port == 0) return 1;
  tag = (const char*)IPPort_Get(port, IPPort_Prop_VersionTag, 0, 0);
  while (*expected && *expected == *tag) ++expected, ++tag;
  IPPort_Destroy(port);
  IPPort_StaticDestroy();
  return *expected || *tag ? 2 : 0;
}
