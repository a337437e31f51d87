/* A C program reading the IPInfo component through its flat interface: it
   prints the machine-wide properties, then every property of each adapter
   (selected through AdapterIndex), one "Name: value" line each. */
#include <stdint.h>
#include <stdio.h>

#include "velmora_components.h"

enum Kind { TEXT, NUMBER };

struct Property {
  int id;
  const char* name;
  enum Kind kind;
};

/* P(Name, kind): the property's id from the header, and its name as text. */
#define P(name, kind) \
  { IPInfo_Prop_##name, #name, kind }

static const struct Property machine[] = {
    P(VersionTag, TEXT),   P(AdapterCount, NUMBER), P(ARPProxyEnabled, NUMBER), P(DHCPScope, TEXT),
    P(DNSEnabled, NUMBER), P(DNSServer, TEXT),      P(DomainName, TEXT),        P(LocalHost, TEXT),
    P(NodeType, TEXT),     P(DNSServers, TEXT),     P(RoutingEnabled, NUMBER),
};

static const struct Property adapter[] = {
    P(AdapterName, TEXT),
    P(AdapterDescription, TEXT),
    P(AdapterType, TEXT),
    P(AdapterDeviceIndex, NUMBER),
    P(AdapterIPAddress, TEXT),
    P(AdapterSubnetMask, TEXT),
    P(AdapterOtherAddresses, TEXT),
    P(AdapterIPv6Address, TEXT),
    P(AdapterZoneIndex, NUMBER),
    P(AdapterGateway, TEXT),
    P(AdapterPhysicalAddress, TEXT),
    P(AdapterDHCPEnabled, NUMBER),
    P(AdapterDHCPServer, TEXT),
    P(AdapterLeaseObtained, TEXT),
    P(AdapterLeaseExpires, TEXT),
    P(AdapterDNSServers, TEXT),
    P(AdapterUsesWINS, NUMBER),
    P(AdapterPrimaryWINSServer, TEXT),
    P(AdapterSecondaryWINSServer, TEXT),
};

static void print_property(void* info, const struct Property* p, const char* indent) {
  int length = 0;
  void* value = IPInfo_Get(info, p->id, 0, &length);
  int code = IPInfo_GetLastErrorCode(info);
  if (code != 0) {
    printf("%s%s: error %d %s\n", indent, p->name, code, IPInfo_GetLastError(info));
  } else if (p->kind == NUMBER) {
    printf("%s%s: %ld\n", indent, p->name, (long)(intptr_t)value);
  } else {
    printf("%s%s: %s\n", indent, p->name, value ? (const char*)value : "");
  }
}

int main(void) {
  void* info;
  size_t i;
  int count, index;
  IPInfo_StaticInit(NULL);
  info = IPInfo_Create(NULL, NULL);
  if (info == NULL) {
    printf("IPInfo is not available in this build\n");
    IPInfo_StaticDestroy();
    return 1;
  }
  for (i = 0; i < sizeof machine / sizeof machine[0]; ++i) print_property(info, &machine[i], "");
  count = (int)(intptr_t)IPInfo_Get(info, IPInfo_Prop_AdapterCount, 0, NULL);
  for (index = 0; index < count; ++index) {
    if (IPInfo_Set(info, IPInfo_Prop_AdapterIndex, 0, (void*)(intptr_t)index, 0) != 0) {
      printf("AdapterIndex %d: %s\n", index, IPInfo_GetLastError(info));
      continue;
    }
    printf("AdapterIndex: %d\n", index);
    for (i = 0; i < sizeof adapter / sizeof adapter[0]; ++i)
      print_property(info, &adapter[i], "  ");
  }
  IPInfo_Destroy(info);
  IPInfo_StaticDestroy();
  return 0;
}
