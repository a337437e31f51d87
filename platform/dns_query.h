#ifndef TAVRO_PLATFORM_DNS_QUERY_H_
#define TAVRO_PLATFORM_DNS_QUERY_H_

#include <cstdint>
#include <string>

namespace velmora::platform {

/// Asks the configured DNS servers directly for the PTR record of `name`
/// (DnsQuery_A, type 12, options 0x88: no resolver cache, no hosts file, no
/// NetBIOS). Returns 0 with the host name of the first PTR record in
/// `hostName`, or a DNS error code (9003 no such name, 9501 no record, 1460
/// time-out, ...). Never blocks for more than a few seconds.
uint32_t dnsQueryPtr(const std::string& name, std::string* hostName);

/// Test hook: the queries go to these servers ("127.0.0.1:5353", comma
/// separated) instead of the system's configuration; empty restores it.
/// Only the POSIX backend can honour a port; returns false when unsupported.
bool setDnsServersForTesting(const std::string& servers);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_DNS_QUERY_H_
