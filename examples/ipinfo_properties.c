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

#define IPINFO_ADAPTER_COUNT 1
#define IPINFO_ADAPTER_INDEX 8

static const struct Property machine[] = {
    {0, "VersionTag", TEXT},  {1, "AdapterCount", NUMBER},    {22, "ARPProxyEnabled", NUMBER},
    {23, "DHCPScope", TEXT},  {24, "DNSEnabled", NUMBER},     {25, "DNSServer", TEXT},
    {26, "DomainName", TEXT}, {30, "LocalHost", TEXT},        {31, "NodeType", TEXT},
    {33, "DNSServers", TEXT}, {36, "RoutingEnabled", NUMBER},
};

static const struct Property adapter[] = {
    {13, "AdapterName", TEXT},
    {2, "AdapterDescription", TEXT},
    {19, "AdapterType", TEXT},
    {3, "AdapterDeviceIndex", NUMBER},
    {9, "AdapterIPAddress", TEXT},
    {18, "AdapterSubnetMask", TEXT},
    {14, "AdapterOtherAddresses", TEXT},
    {10, "AdapterIPv6Address", TEXT},
    {21, "AdapterZoneIndex", NUMBER},
    {7, "AdapterGateway", TEXT},
    {15, "AdapterPhysicalAddress", TEXT},
    {4, "AdapterDHCPEnabled", NUMBER},
    {5, "AdapterDHCPServer", TEXT},
    {12, "AdapterLeaseObtained", TEXT},
    {11, "AdapterLeaseExpires", TEXT},
    {6, "AdapterDNSServers", TEXT},
    {20, "AdapterUsesWINS", NUMBER},
    {16, "AdapterPrimaryWINSServer", TEXT},
    {17, "AdapterSecondaryWINSServer", TEXT},
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
  count = (int)(intptr_t)IPInfo_Get(info, IPINFO_ADAPTER_COUNT, 0, NULL);
  for (index = 0; index < count; ++index) {
    if (IPInfo_Set(info, IPINFO_ADAPTER_INDEX, 0, (void*)(intptr_t)index, 0) != 0) {
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
