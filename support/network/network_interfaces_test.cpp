#include "support/network/network_interfaces.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::network {
namespace {

using platform::AdapterRecord;
using platform::CounterSample;
using platform::CounterStep;

AdapterRecord adapter(const std::string& description, std::vector<std::string> addresses,
                      bool dhcp = false) {
  AdapterRecord record;
  record.adapterName = "{" + description + "}";
  record.description = description;
  record.dhcpEnabled = dhcp;
  for (const std::string& address : addresses) record.addresses.push_back({address, "255.0.0.0"});
  return record;
}

// Platform services fed from fixed data; counts the counter reads.
struct FakeSystem {
  std::vector<AdapterRecord> adapters;
  bool listingWorks = true;
  std::vector<CounterSample> samples;
  int32_t counterStatus = 0;
  CounterStep failedStep = CounterStep::kNone;
  std::vector<NetworkConnectionInfo> connections;
  std::string objectName, counterName;
  std::string pathAsked;
  int counterReads = 0;

  AdapterServices services() {
    AdapterServices s;
    s.listAdapters = [this](std::vector<AdapterRecord>* out) {
      *out = adapters;
      return listingWorks;
    };
    s.lookupPerfName = [this](uint32_t index, std::string* name) {
      *name = index == 510 ? objectName : counterName;
      return !name->empty();
    };
    s.readCounterInstances = [this](const std::string& path, std::vector<CounterSample>* out,
                                    CounterStep* step) {
      ++counterReads;
      pathAsked = path;
      *out = samples;
      *step = failedStep;
      return counterStatus;
    };
    s.listConnections = [this] { return connections; };
    return s;
  }
};

TEST(NetworkInterfaces, CopiesAdapterFieldsAndFormatsTheHardwareAddress) {
  FakeSystem system;
  system.adapters = {adapter("Ethernet", {"10.0.0.5"}), adapter("Modem", {})};
  system.adapters[0].index = 7;
  system.adapters[0].hardwareAddress = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0x6f};
  system.adapters[1].hardwareAddress = {0x01, 0x02, 0x03, 0x04, 0x05};
  NetworkInterfaces interfaces(system.services());
  const std::vector<NetworkInterfaceInfo> list = interfaces.getInterfaces(false);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].adapterName, "{Ethernet}");
  EXPECT_EQ(list[0].address, "10.0.0.5");
  EXPECT_EQ(list[0].index, 7u);
  EXPECT_EQ(list[0].macAddress, "00-1A-2B-3C-4D-5E");
  EXPECT_EQ(list[1].address, "0.0.0.0");
  EXPECT_EQ(list[1].macAddress, "");
}

TEST(NetworkInterfaces, FurtherAddressesAreKeptOnlyWithoutDhcp) {
  FakeSystem system;
  system.adapters = {adapter("Static", {"10.0.0.5", "10.0.0.6", "10.0.0.7"}),
                     adapter("Leased", {"10.1.0.5", "10.1.0.6"}, true)};
  NetworkInterfaces interfaces(system.services());
  const std::vector<NetworkInterfaceInfo> list = interfaces.getInterfaces(false);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].additionalAddresses, (std::vector<std::string>{"10.0.0.6", "10.0.0.7"}));
  EXPECT_TRUE(list[1].dhcpEnabled);
  EXPECT_EQ(list[1].address, "10.1.0.5");
  EXPECT_TRUE(list[1].additionalAddresses.empty());
}

TEST(NetworkInterfaces, ConnectionDetailsDecideConnectedAndSkipTheBandwidth) {
  FakeSystem system;
  system.adapters = {adapter("Up", {"10.0.0.5"}), adapter("Down", {"10.0.0.6"}),
                     adapter("Unnamed", {"10.0.0.7"})};
  system.connections = {{7, "Down", "Local Area Connection 2"}, {2, "Up", "Local Area Connection"}};
  system.samples = {{"Up", 100000000}, {"Down", 100000000}, {"Unnamed", 10000000}};
  NetworkInterfaces interfaces(system.services());
  const std::vector<NetworkInterfaceInfo> list = interfaces.getInterfaces(true);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_TRUE(list[0].connected);
  EXPECT_EQ(list[0].bandwidth, 100000u);
  EXPECT_FALSE(list[1].connected);
  EXPECT_EQ(list[1].bandwidth, 0u);
  EXPECT_TRUE(list[2].connected);
  EXPECT_EQ(list[2].bandwidth, 10000u);
  EXPECT_EQ(system.counterReads, 2);
}

TEST(NetworkInterfaces, WithoutConnectionDetailsEveryAdapterCountsAsConnected) {
  FakeSystem system;
  system.adapters = {adapter("Down", {"10.0.0.6"})};
  system.connections = {{7, "Down", "Local Area Connection"}};
  NetworkInterfaces interfaces(system.services());
  EXPECT_TRUE(interfaces.getInterfaces(false).at(0).connected);
  EXPECT_EQ(system.counterReads, 1);
}

TEST(NetworkInterfaces, NoAdapterListGivesAnEmptyList) {
  FakeSystem system;
  system.adapters = {adapter("Ethernet", {"10.0.0.5"})};
  system.listingWorks = false;
  NetworkInterfaces interfaces(system.services());
  EXPECT_TRUE(interfaces.getInterfaces(true).empty());
}

TEST(CurrentBandwidth, MatchesTheCounterInstanceNamedAfterTheDescription) {
  FakeSystem system;
  system.samples = {{"Other", 5}, {"Intel[R] PRO_1000 _2", 1000000000}, {"Intel(R)", 7}};
  NetworkInterfaces interfaces(system.services());
  EXPECT_EQ(interfaces.currentBandwidth("Intel(R) PRO/1000 #2"), 1000000u);
  EXPECT_EQ(interfaces.currentBandwidth("Missing"), 0u);
  EXPECT_EQ(interfaces.lastError(), "");
}

TEST(CurrentBandwidth, ValuesAreTruncatedToWholeKilobits) {
  FakeSystem system;
  system.samples = {{"A", 1999}, {"B", 10000000000000LL}};
  NetworkInterfaces interfaces(system.services());
  EXPECT_EQ(interfaces.currentBandwidth("A"), 1u);
  EXPECT_EQ(interfaces.currentBandwidth("B"), 10000000000u & 0xFFFFFFFFu);
}

TEST(CurrentBandwidth, EachFailingStepLeavesItsTextAndZero) {
  FakeSystem system;
  NetworkInterfaces interfaces(system.services());
  const struct {
    CounterStep step;
    int32_t status;
    const char* text;
  } cases[] = {
      {CounterStep::kOpenQuery, 5, "PdhOpenQuery failed with 5"},
      {CounterStep::kAddCounter, static_cast<int32_t>(0xC0000BB8u),
       "Unable to add counter due to error -1073738824"},
      {CounterStep::kCollect, static_cast<int32_t>(0x800007D5u),
       "Unable to obtain query data due to error -2147481643"},
  };
  for (const auto& c : cases) {
    system.failedStep = c.step;
    system.counterStatus = c.status;
    EXPECT_EQ(interfaces.currentBandwidth("A"), 0u);
    EXPECT_EQ(interfaces.lastError(), c.text);
  }
}

TEST(CounterPath, UsesTheLocalisedNamesOnlyWhenBothAreKnown) {
  FakeSystem system;
  system.samples = {};
  NetworkInterfaces english(system.services());
  english.currentBandwidth("A");
  EXPECT_EQ(system.pathAsked, "\\Network Interface(*)\\Current Bandwidth");
  system.objectName = "Netzwerkschnittstelle";
  EXPECT_EQ(NetworkInterfaces(system.services()).counterPath(),
            "\\Network Interface(*)\\Current Bandwidth");
  system.counterName = "Aktuelle Bandbreite";
  EXPECT_EQ(NetworkInterfaces(system.services()).counterPath(),
            "\\Netzwerkschnittstelle(*)\\Aktuelle Bandbreite");
}

TEST(PdhInstanceName, ReplacesTheCharactersTheCounterCannotCarry) {
  EXPECT_EQ(pdhInstanceName("Adapter (x) a/b #3"), "Adapter [x] a_b _3");
  EXPECT_EQ(pdhInstanceName("plain"), "plain");
  EXPECT_EQ(pdhInstanceName(""), "");
}

TEST(FormatMacAddress, WritesUpperCaseHexPairs) {
  const uint8_t bytes[] = {0x00, 0xff, 0x0a, 0xb0, 0x7c, 0x01};
  EXPECT_EQ(formatMacAddress(bytes), "00-FF-0A-B0-7C-01");
}

}  // namespace
}  // namespace velmora::network

namespace velmora::network {
namespace {

// Runs the real adapter list, counter and connection manager of this system.
TEST(SystemNetworkInterfaces, ListingWithConnectionDetailsIsWellFormed) {
  NetworkInterfaces interfaces;
  for (const NetworkInterfaceInfo& info : interfaces.getInterfaces(true)) {
    EXPECT_FALSE(info.address.empty()) << info.description;
    EXPECT_TRUE(info.macAddress.empty() || info.macAddress.size() == 17) << info.macAddress;
    if (!info.connected) {
      EXPECT_EQ(info.bandwidth, 0u);
    }
  }
}

}  // namespace
}  // namespace velmora::network
