#include "app/target_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/network/network_interfaces.h"

namespace {

using velmora::network::NetworkInterfaceInfo;

// An interface source with a fixed list, recording how it was asked.
class FixedInterfaces : public velmora::network::NetworkInterfacesBase {
 public:
  explicit FixedInterfaces(std::vector<std::string> addresses) {
    for (const std::string& address : addresses) {
      NetworkInterfaceInfo info;
      info.address = address;
      list.push_back(info);
    }
  }
  std::vector<NetworkInterfaceInfo> getInterfaces(bool withConnectionDetails) override {
    askedForDetails = askedForDetails || withConnectionDetails;
    return list;
  }

  std::vector<NetworkInterfaceInfo> list;
  bool askedForDetails = false;
};

std::string complete(const std::string& target, std::vector<std::string> localAddresses) {
  FixedInterfaces interfaces(localAddresses);
  const int parts = countAddressParts(target);
  return parts == 0 ? target : completePartialAddress(parts, target, interfaces);
}

TEST(CountAddressParts, CountsIntegerGroupsUpToThree) {
  EXPECT_EQ(countAddressParts("5"), 1);
  EXPECT_EQ(countAddressParts(".5"), 1);
  EXPECT_EQ(countAddressParts("2.7"), 2);
  EXPECT_EQ(countAddressParts("10..5"), 2);
  EXPECT_EQ(countAddressParts("1.2.3"), 3);
  EXPECT_EQ(countAddressParts("-5"), 1);
}

TEST(CountAddressParts, RejectsFullAddressesNamesAndOtherText) {
  EXPECT_EQ(countAddressParts("1.2.3.4"), 0);
  EXPECT_EQ(countAddressParts("1.2.3.4.5"), 0);
  EXPECT_EQ(countAddressParts("server1"), 0);
  EXPECT_EQ(countAddressParts(""), 0);
  EXPECT_EQ(countAddressParts("..."), 0);
  EXPECT_EQ(countAddressParts("-"), 0);
  EXPECT_EQ(countAddressParts("1.x"), 0);
  EXPECT_EQ(countAddressParts("--5"), 0);
  EXPECT_EQ(countAddressParts("5-"), 0);
}

TEST(CompletePartialAddress, PrefixesTheFirstUsableLocalAddress) {
  const std::vector<std::string> local = {"192.168.1.20"};
  EXPECT_EQ(complete("5", local), "192.168.1.5");
  EXPECT_EQ(complete("10", local), "192.168.1.10");
  EXPECT_EQ(complete(".5", local), "192.168.1.5");
  EXPECT_EQ(complete("2.7", local), "192.168.2.7");
  EXPECT_EQ(complete("1.2.3", local), "192.1.2.3");
  EXPECT_EQ(complete("10..5", local), "192.168.10..5");
  EXPECT_EQ(complete("-5", local), "192.168.1.-5");
}

TEST(CompletePartialAddress, LeavesNamesAndFullAddressesAlone) {
  const std::vector<std::string> local = {"192.168.1.20"};
  EXPECT_EQ(complete("1.2.3.4", local), "1.2.3.4");
  EXPECT_EQ(complete("server1", local), "server1");
  EXPECT_EQ(complete("1.2.3.4.5", local), "1.2.3.4.5");
}

TEST(CompletePartialAddress, SkipsUnsetLoopbackAndDisconnectedInterfaces) {
  FixedInterfaces interfaces({"0.0.0.0", "127.0.0.1", "10.1.1.1", "172.16.0.9"});
  interfaces.list[2].connected = false;
  EXPECT_EQ(completePartialAddress(1, "5", interfaces), "172.16.0.5");
  EXPECT_FALSE(interfaces.askedForDetails);
}

TEST(CompletePartialAddress, NoUsableInterfaceLeavesTheTargetUnchanged) {
  EXPECT_EQ(complete("5", {"0.0.0.0", "0.0.0.0"}), "5");
  EXPECT_EQ(complete(".5", {}), ".5");
  EXPECT_EQ(complete("5", {"127.0.0.1"}), "5");
}

TEST(ReversedAddressName, ReversesExactlyFourParts) {
  EXPECT_EQ(reversedAddressName("192.0.2.7"), "7.2.0.192");
  EXPECT_EQ(reversedAddressName("10.0.0.1"), "1.0.0.10");
  EXPECT_EQ(reversedAddressName("1.2.3"), "");
  EXPECT_EQ(reversedAddressName("1.2.3.4.5"), "");
  EXPECT_EQ(reversedAddressName("server1"), "");
  EXPECT_EQ(reversedAddressName(""), "");
}

TEST(ReverseLookup, TextsThatAreNoAddressComeBackUnchanged) {
  // Nothing to query for: no packet may leave for these.
  EXPECT_EQ(reverseLookup("server1"), "server1");
  EXPECT_EQ(reverseLookup("1.2.3"), "1.2.3");
  EXPECT_EQ(reverseLookup(""), "");
}

TEST(ReadIPv6Target, AnAddressOrABracketedOneIsAnIcmpTarget) {
  for (const char* text : {"::1", "[::1]", "fe80::1", "[fe80::1]", "2001:db8::7"}) {
    const IPv6Target t = readIPv6Target(text);
    EXPECT_EQ(t.form, IPv6Form::kAddress) << text;
    EXPECT_EQ(t.port, "") << text;
  }
  EXPECT_EQ(readIPv6Target("[fe80::1]").address, "fe80::1");
}

TEST(ReadIPv6Target, AddressesAreShownInNumericForm) {
  EXPECT_EQ(readIPv6Target("0:0:0:0:0:0:0:1").address, "::1");
  EXPECT_EQ(readIPv6Target("[FD77:0::02]").address, "fd77::2");
}

TEST(ReadIPv6Target, ABracketedAddressWithAPortIsATcpTarget) {
  const IPv6Target t = readIPv6Target("[fd77::2]:80");
  EXPECT_EQ(t.form, IPv6Form::kAddressPort);
  EXPECT_EQ(t.address, "fd77::2");
  EXPECT_EQ(t.port, "80");
}

TEST(ReadIPv6Target, BracketsAroundAnythingElseAreAnUnknownHost) {
  for (const char* text : {"[server]", "[server]:80", "[1.2.3.4]", "[::1", "[::1]x", "[::1]:", "[]",
                           "[::1%]", "[[::1]]"}) {
    EXPECT_EQ(readIPv6Target(text).form, IPv6Form::kRefused) << text;
  }
}

TEST(ReadIPv6Target, NamesIPv4AndHostPortTextsAreNotIPv6) {
  for (const char* text : {"server", "server:80", "1.2.3.4", "1.2.3.4:80", "a:b:c", ":80", "",
                           "::1]", "fe80::1::2", "fe80::g"}) {
    EXPECT_EQ(readIPv6Target(text).form, IPv6Form::kNone) << text;
  }
}

TEST(IsIPv6Literal, AZoneMayBeAnInterfaceNameOrNumber) {
  EXPECT_TRUE(isIPv6Literal("fe80::1%eth0"));
  EXPECT_TRUE(isIPv6Literal("fe80::1%3"));
  EXPECT_TRUE(isIPv6Literal("fe80::1%no-such-interface")) << "its lookup fails later";
  EXPECT_FALSE(isIPv6Literal("fe80::1%"));
  EXPECT_FALSE(isIPv6Literal("fe80::1%a:b"));
  EXPECT_FALSE(isIPv6Literal("1.2.3.4"));
}

TEST(ReversedIPv6Name, GivesTheNibblesLowestFirst) {
  EXPECT_EQ(reversedIPv6Name("2001:db8::7"),
            "7.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.b.d.0.1.0.0.2");
  EXPECT_EQ(reversedIPv6Name("fe80::1%eth0"),
            "1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.e.f");
  EXPECT_EQ(reversedIPv6Name("192.0.2.7"), "");
  EXPECT_EQ(reversedIPv6Name("server"), "");
}

}  // namespace
