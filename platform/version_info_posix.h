#ifndef TAVRO_PLATFORM_VERSION_INFO_POSIX_H_
#define TAVRO_PLATFORM_VERSION_INFO_POSIX_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/version_info.h"

namespace velmora::platform {

/// One key of a string table and its value.
struct EmbeddedVersionString {
  const char16_t* key;
  const char16_t* value;
};

/// A version block compiled into a POSIX binary: one string table for one
/// translation ("040904b0": language in the first four hex digits, code page
/// in the last four) and its entry in \VarFileInfo\Translation.
struct EmbeddedVersionTable {
  const char16_t* translation;
  uint16_t language;
  uint16_t codePage;
  const EmbeddedVersionString* strings;
  size_t count;
};

/// Makes `table` the executable's version block (called during static
/// initialisation by the generated resource source). `table` must outlive
/// every block loaded from it.
bool registerEmbeddedVersionTable(const EmbeddedVersionTable* table);

/// A version block over `table`, queried like the registered one.
std::unique_ptr<VersionBlock> makeEmbeddedVersionBlock(const EmbeddedVersionTable* table);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_VERSION_INFO_POSIX_H_
