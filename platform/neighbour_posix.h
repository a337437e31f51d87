#ifndef TAVRO_PLATFORM_NEIGHBOUR_POSIX_H_
#define TAVRO_PLATFORM_NEIGHBOUR_POSIX_H_

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

/// What a neighbour resolution ended with.
enum class NeighbourResult { kFound, kNotFound, kNoTable };

/// The link-layer address of the neighbour `address` (numeric IPv4 text, or
/// IPv6 text with an optional "%zone" naming the link). A neighbour the
/// kernel does not know yet is asked for: one empty datagram to its discard
/// port makes the kernel resolve it (no privileges needed), and the kernel's
/// neighbour table is then watched for up to `waitMillis`. `source`, when not
/// empty, is the local address the datagram goes from. kNoTable when the
/// table cannot be read on this system.
NeighbourResult resolveNeighbour(const std::string& address, const std::string& source,
                                 uint32_t waitMillis, std::vector<uint8_t>* bytes);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_NEIGHBOUR_POSIX_H_
