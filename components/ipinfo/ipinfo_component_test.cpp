#include "components/ipinfo/ipinfo_component.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/frame/flat_api.h"
#include "components/frame/frame_component.h"
#include "components/ipinfo/ipinfo_formats.h"
#include "platform/inet.h"

namespace velmora::components {
namespace {

using platform::AdapterAddressesRecord;
using platform::CachedName;

// What the fake system reports; the component under test reads it through
// the services below.
struct FakeSystem {
  std::vector<AdapterAddressesRecord> adapters;
  platform::NetworkParams params;
  std::vector<uint8_t> neighbour = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  uint32_t arpStatus = 0;
  uint32_t arpDestination = 0;
  uint32_t dhcpIndex = 0;
  std::vector<CachedName> cache;
  int adapterLists = 0;
  int paramReads = 0;
};
FakeSystem* fake = nullptr;

IpConfigServices fakeServices() {
  IpConfigServices s;
  s.listAdapters = [](std::vector<platform::AdapterRecord>* out) {
    out->clear();
    return true;
  };
  s.listAdapterAddresses = [](std::vector<AdapterAddressesRecord>* out) {
    ++fake->adapterLists;
    *out = fake->adapters;
    return true;
  };
  s.readNetworkParams = [](platform::NetworkParams* p) {
    ++fake->paramReads;
    *p = fake->params;
    return true;
  };
  s.perAdapterDnsServers = [](uint32_t, std::vector<std::string>*) { return 0; };
  s.dhcpLeaseOperation = [](uint32_t index, bool, platform::DhcpStep* step) -> uint32_t {
    fake->dhcpIndex = index;
    *step = platform::DhcpStep::kNone;
    return 0;
  };
  s.sendArp = [](uint32_t destination, uint32_t, std::vector<uint8_t>* bytes) {
    fake->arpDestination = destination;
    *bytes = fake->neighbour;
    return fake->arpStatus;
  };
  s.resolveNeighbour6 = [](const std::string&, const std::string&, std::vector<uint8_t>*) {
    return platform::kUnsupported;
  };
  s.flushResolverCache = [] { return true; };
  s.readResolverCache = [](int, std::vector<CachedName>* names) {
    *names = fake->cache;
    return true;
  };
  s.now = [] { return int64_t{1700000000}; };
  return s;
}

ComponentBase* createFake() { return new IPInfoComponent(fakeServices()); }

AdapterAddressesRecord adapter(uint32_t index, const std::string& address) {
  AdapterAddressesRecord a;
  a.adapterName = "{adapter-" + std::to_string(index) + "}";
  a.description = "Adapter " + std::to_string(index);
  a.index = index;
  a.type = 6;
  a.hardwareAddress = {0x02, 0xAB, 0x00, 0x00, 0x00, static_cast<uint8_t>(index)};
  a.unicast = {{4, address, 24, 0xFFFFFFFF, 0},
               {6, "fe80::1", 64, 0xFFFFFFFF, 0},
               {4, "10.9.9.9", 8, 0xFFFFFFFF, 0}};
  a.gateways = {"192.0.2.1", "192.0.2.254"};
  a.dnsServers = {"192.0.2.53", "192.0.2.54"};
  return a;
}

class IPInfoSurface : public testing::Test {
 protected:
  void SetUp() override {
    fake = &system;
    system.adapters = {adapter(11, "192.0.2.10"), adapter(12, "198.51.100.7")};
    system.params.dnsServers = {"203.0.113.53", "203.0.113.54"};
    system.params.nodeType = 8;
    system.params.domainName = "corp.test";
    handle = flatCreateWith(&createFake, nullptr, nullptr);
  }
  void TearDown() override {
    flatDestroy(handle);
    fake = nullptr;
  }
  std::string text(int id) {
    const char* value = static_cast<const char*>(flatGet(handle, id, 0, nullptr));
    return value ? value : "";
  }
  intptr_t number(int id) { return reinterpret_cast<intptr_t>(flatGet(handle, id, 0, nullptr)); }
  int setNumber(int id, intptr_t value) {
    return flatSet(handle, id, 0, reinterpret_cast<const void*>(value), 0);
  }
  int call(int id, const char* input, std::string* result) {
    void* params[2] = {const_cast<char*>(input), nullptr};
    int lengths[2] = {0, 0};
    const int code = flatDo(handle, id, 2, params, lengths);
    if (result) *result = params[1] ? static_cast<const char*>(params[1]) : "";
    return code;
  }
  std::string lastError() { return flatGetLastError(handle); }

  FakeSystem system;
  void* handle = nullptr;
};

TEST_F(IPInfoSurface, AFreshInstanceShowsAdapterZeroInTheNewerForm) {
  EXPECT_EQ(number(1), 2);  // AdapterCount
  EXPECT_EQ(number(8), 0);  // AdapterIndex
  EXPECT_EQ(number(3), 11);
  EXPECT_EQ(text(9), "192.0.2.10");
  EXPECT_EQ(text(18), "255.255.255.0");
  EXPECT_EQ(text(10), "fe80::1");
  EXPECT_EQ(text(14), "10.9.9.9");
  EXPECT_EQ(text(7), "192.0.2.1");
  EXPECT_EQ(text(6), "192.0.2.53 192.0.2.54");
  EXPECT_EQ(text(15), "02-ab-00-00-00-0b");
  EXPECT_EQ(text(19), "ETHERNET");
  EXPECT_EQ(text(31), "HYBRID");
  EXPECT_EQ(text(26), "corp.test");
}

TEST_F(IPInfoSurface, TheSystemIsReadAtTheFirstUseAndAgainOnReset) {
  std::string answer;
  EXPECT_EQ(text(29), "");   // HostName
  EXPECT_EQ(number(34), 0);  // PendingRequests
  EXPECT_EQ(call(2, "BlockingResolve=True", &answer), 0);
  EXPECT_EQ(call(6, "192.0.2.1", &answer), 0);  // GetMac
  EXPECT_EQ(system.adapterLists, 0);
  EXPECT_EQ(system.paramReads, 0);

  EXPECT_EQ(text(2), "Adapter 11");
  EXPECT_EQ(system.adapterLists, 1);
  EXPECT_EQ(number(1), 2);  // AdapterCount lists again
  EXPECT_EQ(system.adapterLists, 2);
  EXPECT_EQ(system.paramReads, 0);

  EXPECT_EQ(text(26), "corp.test");
  EXPECT_EQ(text(30), "");  // LocalHost: the parameters already read
  EXPECT_EQ(system.paramReads, 1);

  system.params.domainName = "moved.test";
  system.adapters.front().description = "Renamed";
  EXPECT_EQ(flatDo(handle, 7, 0, nullptr, nullptr), 0);  // Reset
  EXPECT_EQ(system.paramReads, 2);
  EXPECT_EQ(system.adapterLists, 3);
  EXPECT_EQ(text(26), "moved.test");
  EXPECT_EQ(text(2), "Adapter 11");  // the selection's details until it is made again
  EXPECT_EQ(setNumber(8, 0), 0);
  EXPECT_EQ(text(2), "Renamed");
}

TEST_F(IPInfoSurface, ResetBeforeAnyReadSelectsAdapterZero) {
  EXPECT_EQ(flatDo(handle, 7, 0, nullptr, nullptr), 0);
  EXPECT_EQ(system.adapterLists, 1);
  EXPECT_EQ(system.paramReads, 1);
  EXPECT_EQ(number(8), 0);
  EXPECT_EQ(text(9), "192.0.2.10");
  EXPECT_EQ(system.adapterLists, 1);
}

TEST_F(IPInfoSurface, TheFirstLoadKeepsTheLastErrorOfTheCaller) {
  system.adapters.clear();
  std::string mac;
  EXPECT_EQ(call(6, "0.0.0.0", &mac), kBadMacRequest);
  EXPECT_EQ(text(2), "");
  EXPECT_EQ(number(8), -1);
  EXPECT_EQ(lastError(), "Invalid IP address.");
  EXPECT_EQ(flatDo(handle, 3, 0, nullptr, nullptr), kNoAdapter);  // DHCPRelease
}

TEST_F(IPInfoSurface, ReadOnlyPropertiesRefuseASet) {
  EXPECT_EQ(setNumber(1, 5), kUnknownSetting);
  EXPECT_EQ(flatSet(handle, 9, 0, "10.0.0.1", 0), kUnknownSetting);
  EXPECT_EQ(text(9), "192.0.2.10");
}

TEST_F(IPInfoSurface, AdapterIndexOutOfRangeGives169AndKeepsTheSelection) {
  EXPECT_EQ(setNumber(8, 2), kBadAdapterIndex);
  EXPECT_EQ(lastError(), "Bad Adapter Index.");
  EXPECT_EQ(setNumber(8, -1), kBadAdapterIndex);
  EXPECT_EQ(setNumber(8, 1), 0);
  EXPECT_EQ(number(8), 1);
  EXPECT_EQ(text(9), "198.51.100.7");
}

TEST_F(IPInfoSurface, WithoutAdaptersMinusOneIsAccepted) {
  system.adapters.clear();
  EXPECT_EQ(setNumber(8, -1), 0);
  EXPECT_EQ(setNumber(8, 0), kBadAdapterIndex);
}

TEST_F(IPInfoSurface, CountingAfterAnAdapterWentAwayResetsTheSelection) {
  ASSERT_EQ(setNumber(8, 1), 0);
  system.adapters.pop_back();
  EXPECT_EQ(number(1), 1);
  EXPECT_EQ(number(8), 0);
  EXPECT_EQ(text(9), "");
  std::string ignored;
  EXPECT_EQ(flatDo(handle, 4, 0, nullptr, nullptr), kNoAdapter);
  EXPECT_EQ(lastError(), "Adapter not found in adapter map.");
}

TEST_F(IPInfoSurface, DhcpRenewWorksOnTheSelectedAdaptersDevice) {
  EXPECT_EQ(flatDo(handle, 4, 0, nullptr, nullptr), 0);
  EXPECT_EQ(system.dhcpIndex, 11u);
}

TEST_F(IPInfoSurface, GetMacChecksTheAddressAndFormatsTheAnswer) {
  std::string mac;
  EXPECT_EQ(call(6, "0.0.0.0", &mac), kBadMacRequest);
  EXPECT_EQ(lastError(), "Invalid IP address.");
  EXPECT_EQ(call(6, "not an address", &mac), kBadMacRequest);
  EXPECT_EQ(lastError(), "Invalid IP address.");
  EXPECT_EQ(call(6, "192.0.2.1", &mac), 0);
  EXPECT_EQ(mac, "00-1a-2b-3c-4d-5e");
  EXPECT_EQ(system.arpDestination, platform::inetAddr("192.0.2.1"));
  system.arpStatus = 67;
  EXPECT_EQ(call(6, "192.0.2.1", &mac), kBadMacRequest);
  EXPECT_EQ(lastError(), "Can't get MAC address (error: 0x43).");
  EXPECT_EQ(call(6, "fe80::2", &mac), kBadMacRequest);
  EXPECT_EQ(lastError(),
            "IPv6 MAC address resolution is only supported in Windows 6 (Vista) and higher.");
}

TEST_F(IPInfoSurface, DnsServersFallBackToTheMachineOnlyWhenAllowed) {
  EXPECT_EQ(text(25), "203.0.113.53");
  EXPECT_EQ(text(33), "203.0.113.53 203.0.113.54");
  std::string answer;
  EXPECT_EQ(call(2, "DefaultToMachineSettings=False", &answer), 0);
  EXPECT_EQ(text(25), "");
  EXPECT_EQ(text(33), "");
  EXPECT_EQ(call(2, "DefaultToMachineSettings", &answer), 0);
  EXPECT_EQ(answer, "False");
}

TEST_F(IPInfoSurface, DisplayDnsIsQueryOnly) {
  std::string answer = "x";
  EXPECT_EQ(call(2, "DisplayDNS", &answer), 0);
  EXPECT_EQ(answer, "");
  EXPECT_EQ(call(2, "DisplayDNS=1", &answer), kUnknownSetting);
  EXPECT_EQ(lastError(), "Unknown config setting.");
  EXPECT_EQ(call(2, "FlushDNS", &answer), 0);
  EXPECT_EQ(answer, "True");
}

TEST_F(IPInfoSurface, EachTextKeepsItsOwnBufferUntilItChanges) {
  const char* address = static_cast<const char*>(flatGet(handle, 9, 0, nullptr));
  const char* mask = static_cast<const char*>(flatGet(handle, 18, 0, nullptr));
  const char* tag = static_cast<const char*>(flatGet(handle, 0, 0, nullptr));
  flatGet(handle, 26, 0, nullptr);  // DomainName
  flatGet(handle, 9, 0, nullptr);   // the same property again
  EXPECT_STREQ(address, "192.0.2.10");
  EXPECT_STREQ(mask, "255.255.255.0");
  EXPECT_STREQ(tag, kComponentVersionTag);
  // Wide reads too: the first wide text survives the second.
  const auto* wideAddress = static_cast<const char16_t*>(flatGet(handle, 10009, 0, nullptr));
  flatGet(handle, 10018, 0, nullptr);
  EXPECT_EQ(std::u16string(wideAddress), u"192.0.2.10");
  // Method results have their own buffers as well.
  std::string ignored;
  void* params[2] = {const_cast<char*>("192.0.2.1"), nullptr};
  int lengths[2] = {0, 0};
  ASSERT_EQ(flatDo(handle, 6, 2, params, lengths), 0);
  const char* mac = static_cast<const char*>(params[1]);
  EXPECT_EQ(call(2, "UseOldAPI", &ignored), 0);
  EXPECT_STREQ(mac, "00-1a-2b-3c-4d-5e");
}

TEST(IPInfoNewerForm, AHostRouteAddressHasNoSubnetMask) {
  FakeSystem system;
  fake = &system;
  AdapterAddressesRecord host = adapter(3, "192.0.2.10");
  host.unicast[0].prefixLength = 32;
  system.adapters = {host};
  IPInfoComponent component(fakeServices());
  EXPECT_EQ(component.details().ipAddress, "192.0.2.10");
  EXPECT_EQ(component.details().subnetMask, "");
  fake = nullptr;
}

TEST(IPInfoNewerForm, DhcpLeaseTimesComeFromTheAddressLifetimes) {
  FakeSystem system;
  fake = &system;
  AdapterAddressesRecord leased = adapter(3, "192.0.2.10");
  leased.dhcpEnabled = true;
  leased.unicast[0].validLifetime = 3600;
  leased.unicast[0].leaseLifetime = 86400;
  system.adapters = {leased};
  IPInfoComponent component(fakeServices());
  EXPECT_EQ(component.details().leaseExpires, formatLeaseTime(1700000000 + 3600));
  EXPECT_EQ(component.details().leaseObtained, formatLeaseTime(1700000000 + 3600 - 86400));
  fake = nullptr;
}

}  // namespace
}  // namespace velmora::components
