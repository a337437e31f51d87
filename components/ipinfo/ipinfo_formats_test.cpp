#include "components/ipinfo/ipinfo_formats.h"

#include <gtest/gtest.h>

#include <ctime>

namespace velmora::components {
namespace {

TEST(IPInfoFormats, LeaseTimeIsLocalMonthDayYear) {
  std::tm local = {};
  local.tm_year = 2024 - 1900;
  local.tm_mon = 1;
  local.tm_mday = 9;
  local.tm_hour = 7;
  local.tm_min = 5;
  local.tm_sec = 3;
  local.tm_isdst = -1;
  EXPECT_EQ(formatLeaseTime(static_cast<int64_t>(std::mktime(&local))), "02/09/2024 07:05:03");
}

TEST(IPInfoFormats, HardwareAddressesAreLowerCasePairs) {
  EXPECT_EQ(formatHardwareAddress({0x00, 0xAB, 0x0c, 0xFF, 0x10, 0x01}), "00-ab-0c-ff-10-01");
  EXPECT_EQ(formatHardwareAddress({0xDE, 0xAD}), "de-ad");
  EXPECT_EQ(formatHardwareAddress({}), "");
}

TEST(IPInfoFormats, NodeTypesAndAdapterTypes) {
  EXPECT_EQ(nodeTypeName(1), "BROADCAST");
  EXPECT_EQ(nodeTypeName(2), "PEERTOPEER");
  EXPECT_EQ(nodeTypeName(4), "MIXED");
  EXPECT_EQ(nodeTypeName(8), "HYBRID");
  EXPECT_EQ(nodeTypeName(3), "");
  EXPECT_EQ(adapterTypeName(15, false), "FDDI");
  EXPECT_EQ(adapterTypeName(15, true), "15");
  EXPECT_EQ(adapterTypeName(71, true), "WIRELESS");
  EXPECT_EQ(adapterTypeName(71, false), "71");
  EXPECT_EQ(adapterTypeName(28, false), "SLIP");
  EXPECT_EQ(adapterTypeName(144, true), "FIREWIRE");
}

TEST(IPInfoFormats, SubnetMaskFromPrefixLength) {
  EXPECT_EQ(subnetMaskFromPrefix(0), "0.0.0.0");
  EXPECT_EQ(subnetMaskFromPrefix(20), "255.255.240.0");
  EXPECT_EQ(subnetMaskFromPrefix(32), "255.255.255.255");
  EXPECT_EQ(subnetMaskFromPrefix(33), "");
}

TEST(IPInfoFormats, DnsTypeNames) {
  EXPECT_EQ(dnsTypeName(1), "A");
  EXPECT_EQ(dnsTypeName(16), "TEXT");
  EXPECT_EQ(dnsTypeName(28), "AAAA");
  EXPECT_EQ(dnsTypeName(41), "OPT");
  EXPECT_EQ(dnsTypeName(0), "UNKNOWN");
  EXPECT_EQ(dnsTypeName(42), "UNKNOWN");
}

TEST(IPInfoFormats, ResolverCacheListing) {
  const std::vector<platform::CachedName> cache = {
      {"host1.test",
       1,
       {{"host1.test", 1, 300, 4, "192.0.2.7"}, {"host1.test", 1, 300, 4, "192.0.2.8"}}},
      {"skipped.test", 0, {}},
      {"gone.test", 28, {}},
      {"7.2.0.192.in-addr.arpa", 12, {{"7.2.0.192.in-addr.arpa", 12, 60, 8, "host1.test"}}},
  };
  const std::string expected =
      "host1.test\r\n----------------------------------------\r\n"
      "Record Name . . . . . : host1.test\r\n"
      "Record Type . . . . . : 1(A)\r\n"
      "Time To Live  . . . . : 300\r\n"
      "Data Length . . . . . : 4\r\n"
      "Section . . . . . . . : Answer\r\n"
      "A Record  . . . . . . : 192.0.2.7\r\n"
      "\r\n"
      "Record Name . . . . . : host1.test\r\n"
      "Record Type . . . . . : 1(A)\r\n"
      "Time To Live  . . . . : 300\r\n"
      "Data Length . . . . . : 4\r\n"
      "Section . . . . . . . : Answer\r\n"
      "A Record  . . . . . . : 192.0.2.8\r\n"
      "\r\n"
      "gone.test\r\n----------------------------------------\r\n"
      "No records of type AAAA\r\n"
      "\r\n"
      "7.2.0.192.in-addr.arpa\r\n----------------------------------------\r\n"
      "Record Name . . . . . : 7.2.0.192.in-addr.arpa\r\n"
      "Record Type . . . . . : 12(PTR)\r\n"
      "Time To Live  . . . . : 60\r\n"
      "Data Length . . . . . : 8\r\n"
      "Section . . . . . . . : Answer\r\n"
      "PTR Record  . . . . . : host1.test\r\n";
  EXPECT_EQ(formatResolverCache(cache), expected);
  EXPECT_EQ(formatResolverCache({}), "");
}

}  // namespace
}  // namespace velmora::components
