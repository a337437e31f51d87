#include "support/network/resolver_instances.h"

#include <mutex>

#include "velmora_components.h"

namespace velmora::network {
namespace {

// Constant-initialised, so it exists before any static constructor can make
// a resolver and outlives every one of them.
std::mutex instancesLock;
int instanceCount = 0;

}  // namespace

void acquireResolverInstance() {
  std::lock_guard<std::mutex> lock(instancesLock);
  if (instanceCount == 0) IPInfo_StaticInit(nullptr);
  ++instanceCount;
}

void releaseResolverInstance() {
  std::lock_guard<std::mutex> lock(instancesLock);
  if (--instanceCount == 0) IPInfo_StaticDestroy();
}

int resolverInstanceCount() {
  std::lock_guard<std::mutex> lock(instancesLock);
  return instanceCount;
}

}  // namespace velmora::network
