#ifndef TAVRO_PLATFORM_ADAPTERS_H_
#define TAVRO_PLATFORM_ADAPTERS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

/// One IPv4 address of an adapter with its subnet mask, both dotted text.
struct AdapterAddress {
  std::string address;
  std::string mask;
};

/// One entry of the system's IPv4 adapter list (GetAdaptersInfo). Loopback
/// interfaces are not part of the list.
struct AdapterRecord {
  std::string adapterName;  // the system's name: a GUID text on Windows, the
                            // interface name on POSIX
  std::string description;
  std::vector<uint8_t> hardwareAddress;
  uint32_t index = 0;
  uint32_t type = 0;  // interface type number (6 ethernet, 71 wireless, ...)
  bool dhcpEnabled = false;
  std::vector<AdapterAddress> addresses;  // never empty: "0.0.0.0" when none
  std::vector<std::string> gateways;
  std::string dhcpServer;
  bool haveWins = false;
  std::string primaryWinsServer;
  std::string secondaryWinsServer;
  int64_t leaseObtained = 0;  // seconds since 1970-01-01 UTC; 0 when unknown
  int64_t leaseExpires = 0;
};

/// Reads the adapter list in the system's order. False when it cannot be
/// read (the list is then empty).
bool listAdapters(std::vector<AdapterRecord>* adapters);

/// The localised name of a performance object or counter by its index
/// (PdhLookupPerfNameByIndexA on the local machine, 128-byte buffer). False
/// when the system has no such name.
bool lookupPerfName(uint32_t index, std::string* name);

/// Which step of a counter read failed.
enum class CounterStep { kNone, kOpenQuery, kAddCounter, kCollect };

/// One instance of a counter and its value, read as a 64-bit integer without
/// scaling.
struct CounterSample {
  std::string instance;
  int64_t value = 0;
};

/// Opens a query for the counter `path`, collects once, reads every instance
/// and closes the query. Returns 0, or the status of the step named in
/// `failedStep`.
int32_t readCounterInstances(const std::string& path, std::vector<CounterSample>* samples,
                             CounterStep* failedStep);

/// One connection as the network connections manager reports it; status 2
/// means connected.
struct ConnectionRecord {
  int32_t status = 0;
  std::string deviceName;
  std::string name;
};

/// The connections of the network connections manager; empty when the
/// manager is not available.
std::vector<ConnectionRecord> listConnections();

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_ADAPTERS_H_
