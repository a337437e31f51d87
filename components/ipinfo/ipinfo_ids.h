#ifndef TAVRO_COMPONENTS_IPINFO_IPINFO_IDS_H_
#define TAVRO_COMPONENTS_IPINFO_IPINFO_IDS_H_

// The ids of IPInfo's properties, methods and events: the numbers callers of
// the flat interface use, so each is written out and never moves.

#include "components/frame/frame_ids.h"

namespace velmora::components::ipinfo {

enum Property : int {
  kVersionTagId = frame_ids::kVersionTagProperty,
  kAdapterCount = 1,
  kAdapterDescription = 2,
  kAdapterDeviceIndex = 3,
  kAdapterDhcpEnabled = 4,
  kAdapterDhcpServer = 5,
  kAdapterDnsServers = 6,
  kAdapterGateway = 7,
  kAdapterIndex = 8,
  kAdapterIpAddress = 9,
  kAdapterIpv6Address = 10,
  kAdapterLeaseExpires = 11,
  kAdapterLeaseObtained = 12,
  kAdapterName = 13,
  kAdapterOtherAddresses = 14,
  kAdapterPhysicalAddress = 15,
  kAdapterPrimaryWinsServer = 16,
  kAdapterSecondaryWinsServer = 17,
  kAdapterSubnetMask = 18,
  kAdapterType = 19,
  kAdapterUsesWins = 20,
  kAdapterZoneIndex = 21,
  kArpProxyEnabled = 22,
  kDhcpScope = 23,
  kDnsEnabled = 24,
  kDnsServer = 25,
  kDomainName = 26,
  kHostAddress = 27,
  kHostAliases = 28,
  kHostName = 29,
  kLocalHost = 30,
  kNodeType = 31,
  kOtherAddresses = 32,
  kDnsServers = 33,
  kPendingRequests = 34,
  kRequestId = 35,
  kRoutingEnabled = 36,
  kServiceAliases = 37,
  kServiceName = 38,
  kServicePort = 39,
  kServiceProtocol = 40,
};

enum Method : int {
  kConfig = frame_ids::kConfigMethod,
  kDhcpRelease = 3,
  kDhcpRenew = 4,
  kDoEvents = frame_ids::kDoEventsMethod,
  kGetMac = 6,
  kReset = 7,
  kResolveAddress = 8,
  kResolveName = 9,
};

enum Event : int {
  kEventError = 1,
  kEventRequestComplete = 2,
};

}  // namespace velmora::components::ipinfo

#endif  // TAVRO_COMPONENTS_IPINFO_IPINFO_IDS_H_
