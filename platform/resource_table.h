#ifndef TAVRO_PLATFORM_RESOURCE_TABLE_H_
#define TAVRO_PLATFORM_RESOURCE_TABLE_H_

#include <cstddef>

namespace velmora::platform {

/// One resource compiled into a POSIX binary: what a .rc file line gives a
/// Windows executable.
struct EmbeddedResource {
  int id;
  const char* type;
  const unsigned char* data;
  size_t size;
};

/// Called by the generated resource tables during static initialisation to
/// make their entries visible to OwnResource. The entries must be static.
/// Returns true so that a table can use it as a variable's initialiser.
bool registerEmbeddedResources(const EmbeddedResource* entries, size_t count);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_RESOURCE_TABLE_H_
