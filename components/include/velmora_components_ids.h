/* The ids of the properties, methods and events of IPPort and IPInfo, the
   one list both the C header (velmora_components.h) and the components' own
   C++ code take them from. Each entry is X(Name, CxxName, id): Name as the
   documentation spells it, which the C header turns into IPPort_Prop_Name
   and the like; CxxName the component code's enumerator without its k. The
   numbers are the interface: an entry never changes its id. Property ids
   have UTF-16 variants at id + 10000 and id + 20000. */
#ifndef VELMORA_COMPONENTS_IDS_H_
#define VELMORA_COMPONENTS_IDS_H_

#define VELMORA_IPPORT_PROPERTIES(X)           \
  X(VersionTag, VersionTagId, 0)               \
  X(ReceiveEnabled, ReceiveEnabled, 1)         \
  X(BytesSent, BytesSent, 2)                   \
  X(Connected, Connected, 3)                   \
  X(DataToSend, DataToSend, 4)                 \
  X(LineTerminator, LineTerminator, 5)         \
  X(FirewallAutoDetect, FirewallAutoDetect, 6) \
  X(FirewallType, FirewallType, 7)             \
  X(FirewallHost, FirewallHost, 8)             \
  X(FirewallPassword, FirewallPassword, 9)     \
  X(FirewallPort, FirewallPort, 10)            \
  X(FirewallUser, FirewallUser, 11)            \
  X(TCPKeepAlive, TcpKeepAlive, 12)            \
  X(Linger, Linger, 13)                        \
  X(LocalHost, LocalHost, 14)                  \
  X(LocalPort, LocalPort, 15)                  \
  X(RemoteHost, RemoteHost, 16)                \
  X(RemotePort, RemotePort, 17)                \
  X(LineMode, LineMode, 18)                    \
  X(Timeout, Timeout, 19)                      \
  X(CodePage, CodePageId, 2010)

#define VELMORA_IPPORT_METHODS(X) \
  X(Config, Config, 2)            \
  X(Connect, Connect, 3)          \
  X(Disconnect, Disconnect, 4)    \
  X(DoEvents, DoEvents, 5)        \
  X(GetLine, GetLine, 6)          \
  X(Interrupt, Interrupt, 7)      \
  X(Send, Send, 8)                \
  X(SendFile, SendFile, 9)        \
  X(SendLine, SendLine, 10)

#define VELMORA_IPPORT_EVENTS(X)                \
  X(Connected, EventConnected, 1)               \
  X(ConnectionStatus, EventConnectionStatus, 2) \
  X(DataIn, EventDataIn, 3)                     \
  X(Disconnected, EventDisconnected, 4)         \
  X(Error, EventError, 5)                       \
  X(ReadyToSend, EventReadyToSend, 6)

#define VELMORA_IPINFO_PROPERTIES(X)                            \
  X(VersionTag, VersionTagId, 0)                                \
  X(AdapterCount, AdapterCount, 1)                              \
  X(AdapterDescription, AdapterDescription, 2)                  \
  X(AdapterDeviceIndex, AdapterDeviceIndex, 3)                  \
  X(AdapterDHCPEnabled, AdapterDhcpEnabled, 4)                  \
  X(AdapterDHCPServer, AdapterDhcpServer, 5)                    \
  X(AdapterDNSServers, AdapterDnsServers, 6)                    \
  X(AdapterGateway, AdapterGateway, 7)                          \
  X(AdapterIndex, AdapterIndex, 8)                              \
  X(AdapterIPAddress, AdapterIpAddress, 9)                      \
  X(AdapterIPv6Address, AdapterIpv6Address, 10)                 \
  X(AdapterLeaseExpires, AdapterLeaseExpires, 11)               \
  X(AdapterLeaseObtained, AdapterLeaseObtained, 12)             \
  X(AdapterName, AdapterName, 13)                               \
  X(AdapterOtherAddresses, AdapterOtherAddresses, 14)           \
  X(AdapterPhysicalAddress, AdapterPhysicalAddress, 15)         \
  X(AdapterPrimaryWINSServer, AdapterPrimaryWinsServer, 16)     \
  X(AdapterSecondaryWINSServer, AdapterSecondaryWinsServer, 17) \
  X(AdapterSubnetMask, AdapterSubnetMask, 18)                   \
  X(AdapterType, AdapterType, 19)                               \
  X(AdapterUsesWINS, AdapterUsesWins, 20)                       \
  X(AdapterZoneIndex, AdapterZoneIndex, 21)                     \
  X(ARPProxyEnabled, ArpProxyEnabled, 22)                       \
  X(DHCPScope, DhcpScope, 23)                                   \
  X(DNSEnabled, DnsEnabled, 24)                                 \
  X(DNSServer, DnsServer, 25)                                   \
  X(DomainName, DomainName, 26)                                 \
  X(HostAddress, HostAddress, 27)                               \
  X(HostAliases, HostAliases, 28)                               \
  X(HostName, HostName, 29)                                     \
  X(LocalHost, LocalHost, 30)                                   \
  X(NodeType, NodeType, 31)                                     \
  X(OtherAddresses, OtherAddresses, 32)                         \
  X(DNSServers, DnsServers, 33)                                 \
  X(PendingRequests, PendingRequests, 34)                       \
  X(RequestId, RequestId, 35)                                   \
  X(RoutingEnabled, RoutingEnabled, 36)                         \
  X(ServiceAliases, ServiceAliases, 37)                         \
  X(ServiceName, ServiceName, 38)                               \
  X(ServicePort, ServicePort, 39)                               \
  X(ServiceProtocol, ServiceProtocol, 40)                       \
  X(CodePage, CodePageId, 2010)

#define VELMORA_IPINFO_METHODS(X)      \
  X(Config, Config, 2)                 \
  X(DHCPRelease, DhcpRelease, 3)       \
  X(DHCPRenew, DhcpRenew, 4)           \
  X(DoEvents, DoEvents, 5)             \
  X(GetMAC, GetMac, 6)                 \
  X(Reset, Reset, 7)                   \
  X(ResolveAddress, ResolveAddress, 8) \
  X(ResolveName, ResolveName, 9)

#define VELMORA_IPINFO_EVENTS(X) \
  X(Error, EventError, 1)        \
  X(RequestComplete, EventRequestComplete, 2)

#endif /* VELMORA_COMPONENTS_IDS_H_ */
