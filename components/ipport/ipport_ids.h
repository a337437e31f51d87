#ifndef TAVRO_COMPONENTS_IPPORT_IPPORT_IDS_H_
#define TAVRO_COMPONENTS_IPPORT_IPPORT_IDS_H_

// The ids of IPPort's properties, methods and events: the numbers callers of
// the flat interface use, so each is written out and never moves.

#include "components/frame/frame_ids.h"

namespace velmora::components::ipport {

enum Property : int {
  kVersionTagId = frame_ids::kVersionTagProperty,
  kReceiveEnabled = 1,
  kBytesSent = 2,
  kConnected = 3,
  kDataToSend = 4,
  kLineTerminator = 5,
  kFirewallAutoDetect = 6,
  kFirewallType = 7,
  kFirewallHost = 8,
  kFirewallPassword = 9,
  kFirewallPort = 10,
  kFirewallUser = 11,
  kTcpKeepAlive = 12,
  kLinger = 13,
  kLocalHost = 14,
  kLocalPort = 15,
  kRemoteHost = 16,
  kRemotePort = 17,
  kLineMode = 18,
  kTimeout = frame_ids::kTimeoutProperty,
};

enum Method : int {
  kConfig = frame_ids::kConfigMethod,
  kConnect = 3,
  kDisconnect = 4,
  kDoEvents = frame_ids::kDoEventsMethod,
  kGetLine = 6,
  kInterrupt = frame_ids::kInterruptMethod,
  kSend = 8,
  kSendFile = 9,
  kSendLine = 10,
};

enum Event : int {
  kEventConnected = 1,
  kEventConnectionStatus = 2,
  kEventDataIn = 3,
  kEventDisconnected = 4,
  kEventError = 5,
  kEventReadyToSend = 6,
};

}  // namespace velmora::components::ipport

#endif  // TAVRO_COMPONENTS_IPPORT_IPPORT_IDS_H_
