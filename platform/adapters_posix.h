#ifndef TAVRO_PLATFORM_ADAPTERS_POSIX_H_
#define TAVRO_PLATFORM_ADAPTERS_POSIX_H_

#include <vector>

#include "platform/adapters.h"

namespace velmora::platform {

/// The interfaces as listAdapters reads them; with `withLoopback` the
/// loopback interfaces too, which the newer adapter list shows and the
/// older one leaves out.
bool listInterfaceRecords(bool withLoopback, std::vector<AdapterRecord>* adapters);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_ADAPTERS_POSIX_H_
