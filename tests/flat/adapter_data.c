/* Adapter data as the system knows it. Usage: adapter_data ADDRESS GATEWAY6
   for an adapter whose only IPv4 address ADDRESS has a prefix length of 32,
   which has a link-local IPv6 address and an IPv6 default route through
   GATEWAY6. In the newer form that adapter has an empty AdapterSubnetMask,
   AdapterGateway GATEWAY6 and its interface index as AdapterZoneIndex, and
   the loopback interface is listed as LOOPBACK; the older form (UseOldAPI)
   leaves loopback out. */
#include "flat_check.h"

enum {
  kAdapterCount = 1,
  kDeviceIndex = 3,
  kGateway = 7,
  kAdapterIndex = 8,
  kIpAddress = 9,
  kSubnetMask = 18,
  kType = 19,
  kZoneIndex = 21
};

static const char* text_of(void* info, int id) {
  const char* text = (const char*)IPInfo_Get(info, id, 0, NULL);
  return text ? text : "";
}

static int number_of(void* info, int id) { return (int)(intptr_t)IPInfo_Get(info, id, 0, NULL); }

/* The position of the first adapter whose property `id` reads `want`, or -1. */
static int find_adapter(void* info, int id, const char* want) {
  int count = number_of(info, kAdapterCount), i;
  for (i = 0; i < count; ++i) {
    IPInfo_Set(info, kAdapterIndex, 0, (void*)(intptr_t)i, 0);
    if (text_is(text_of(info, id), want)) return i;
  }
  return -1;
}

int main(int argc, char** argv) {
  void* info;
  int at;
  if (argc != 3) {
    fprintf(stderr, "usage: %s ADDRESS GATEWAY6\n", argv[0]);
    return 2;
  }
  IPInfo_StaticInit(NULL);
  info = IPInfo_Create(NULL, NULL);

  at = find_adapter(info, kIpAddress, argv[1]);
  CHECK(at >= 0, "the newer form lists the adapter of %s", argv[1]);
  if (at >= 0) {
    CHECK(*text_of(info, kSubnetMask) == 0, "a /32 address has no subnet mask (\"%s\")",
          text_of(info, kSubnetMask));
    CHECK(text_is(text_of(info, kGateway), argv[2]),
          "AdapterGateway is the IPv6 route's %s (\"%s\")", argv[2], text_of(info, kGateway));
    CHECK(number_of(info, kZoneIndex) != 0 &&
              number_of(info, kZoneIndex) == number_of(info, kDeviceIndex),
          "AdapterZoneIndex %d is the interface index %d", number_of(info, kZoneIndex),
          number_of(info, kDeviceIndex));
  }
  CHECK(find_adapter(info, kType, "LOOPBACK") >= 0, "the newer form lists loopback as LOOPBACK");

  ipinfo_config(info, "UseOldAPI=True");
  CHECK(
      find_adapter(info, kType, "LOOPBACK") < 0 && find_adapter(info, kIpAddress, "127.0.0.1") < 0,
      "the older form leaves loopback out");
  CHECK(find_adapter(info, kIpAddress, argv[1]) >= 0, "the older form lists the adapter of %s",
        argv[1]);

  IPInfo_Destroy(info);
  IPInfo_StaticDestroy();
  return check_result();
}
