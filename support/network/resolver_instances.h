#ifndef TAVRO_SUPPORT_NETWORK_RESOLVER_INSTANCES_H_
#define TAVRO_SUPPORT_NETWORK_RESOLVER_INSTANCES_H_

namespace velmora::network {

/// Counts a resolver in; the first one alive initialises the information
/// component library (IPInfo_StaticInit). Thread-safe.
void acquireResolverInstance();

/// Counts a resolver out; the last one to go cleans the library up again.
void releaseResolverInstance();

/// Number of resolvers alive.
int resolverInstanceCount();

}  // namespace velmora::network

#endif  // TAVRO_SUPPORT_NETWORK_RESOLVER_INSTANCES_H_
