#ifndef TAVRO_COMPONENTS_IPINFO_IPINFO_FORMATS_H_
#define TAVRO_COMPONENTS_IPINFO_IPINFO_FORMATS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ip_config.h"

namespace velmora::components {

/// Local time as "MM/DD/YYYY hh:mm:ss" for seconds since 1970 (UTC).
std::string formatLeaseTime(int64_t secondsSince1970);

/// Each byte as two lower-case hexadecimal digits, joined by "-".
std::string formatHardwareAddress(const std::vector<uint8_t>& bytes);

/// "BROADCAST", "PEERTOPEER", "MIXED", "HYBRID" for 1, 2, 4, 8; else empty.
std::string nodeTypeName(uint32_t nodeType);

/// The adapter type name of the older (GetAdaptersInfo) or newer form; the
/// number in decimal when it has none.
std::string adapterTypeName(uint32_t type, bool newerForm);

/// The dotted mask of an IPv4 prefix length 0 to 32; empty otherwise.
std::string subnetMaskFromPrefix(int prefixLength);

/// The DNS mnemonic of a record type 1 to 41; "UNKNOWN" otherwise.
std::string dnsTypeName(uint16_t type);

/// The resolver cache listing, "\r\n" line ends; empty for an empty cache.
std::string formatResolverCache(const std::vector<platform::CachedName>& names);

/// Texts joined by single blanks.
std::string joinList(const std::vector<std::string>& items, size_t from = 0);

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_IPINFO_IPINFO_FORMATS_H_
