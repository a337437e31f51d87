#include "platform/resource.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/resource_table.h"

namespace velmora::platform {

namespace {

// Tables register from static initialisers in other translation units, so the
// registry must exist before the first of them runs, whatever the link order.
struct Registry {
  std::mutex lock;
  std::vector<EmbeddedResource> entries;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

}  // namespace

bool registerEmbeddedResources(const EmbeddedResource* entries, size_t count) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.entries.insert(r.entries.end(), entries, entries + count);
  return true;
}

OwnResource::OwnResource(int id, const char* type) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const EmbeddedResource& entry : r.entries) {
    if (entry.id == id && std::strcmp(entry.type, type) == 0) {
      data_ = entry.data;
      size_ = entry.size;
      return;
    }
  }
}

OwnResource::~OwnResource() = default;

}  // namespace velmora::platform
