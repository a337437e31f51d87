#include "support/network/resolver_instances.h"

#include <gtest/gtest.h>

#include <string>

#include "components/ipinfo/ipinfo_client.h"
#include "components/ipinfo/ipinfo_component.h"
#include "support/network/dns_resolver.h"
#include "velmora_components.h"

namespace velmora::network {
namespace {

using components::ipInfoStaticUsers;
using components::ipInfoSystemReads;

TEST(ResolverInstances, TwoLiveResolversInitialiseTheLibraryOnce) {
  // The driver's own initialisation for the whole run.
  IPInfo_StaticInit(nullptr);
  const int base = ipInfoStaticUsers();
  {
    DnsResolver<std::string> first;
    EXPECT_EQ(ipInfoStaticUsers(), base + 1);
    {
      DnsResolver<std::string> second;
      EXPECT_EQ(resolverInstanceCount(), 2);
      EXPECT_EQ(ipInfoStaticUsers(), base + 1);
      EXPECT_NE(second.handle(), nullptr);
    }
    EXPECT_EQ(resolverInstanceCount(), 1);
    EXPECT_EQ(ipInfoStaticUsers(), base + 1);
  }
  EXPECT_EQ(resolverInstanceCount(), 0);
  EXPECT_EQ(ipInfoStaticUsers(), base);
  IPInfo_StaticDestroy();
}

TEST(ResolverInstances, TheComponentsErrorEventBecomesTheErrorText) {
  IPInfo_StaticInit(nullptr);
  {
    DnsResolver<std::string> resolver;
    const char* description = "Error getting per-adapter info.";
    void* params[2] = {reinterpret_cast<void*>(intptr_t{-1}), const_cast<char*>(description)};
    int lengths[2] = {0, 0};
    IPInfo::dispatchEvent(&resolver, 1, 2, params, lengths);
    EXPECT_EQ(resolver.lastError(), description);
  }
  IPInfo_StaticDestroy();
}

// Numeric texts only: nothing here asks a name server.
TEST(DnsResolverAnswer, AnIPv6AddressResolvesToItsNumericForm) {
  IPInfo_StaticInit(nullptr);
  {
    DnsResolver<std::string> resolver;
    EXPECT_EQ(resolver.resolve("::1"), "::1");
    EXPECT_EQ(resolver.resolve("0:0::1"), "::1");
    EXPECT_EQ(resolver.resolve("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(resolver.lastError(), "");
  }
  IPInfo_StaticDestroy();
}

// A resolver is made for every probe; its IPInfo instance must not list the
// adapters or read the network parameters, which a name lookup never uses.
TEST(ResolverInstances, AResolverReadsTheSystemOnlyWhenItsInstanceIsAsked) {
  IPInfo_StaticInit(nullptr);
  const components::IpInfoSystemReads before = ipInfoSystemReads();
  {
    DnsResolver<std::string> resolver;
    EXPECT_EQ(resolver.resolve("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(ipInfoSystemReads().adapterLists, before.adapterLists);
    EXPECT_EQ(ipInfoSystemReads().networkParams, before.networkParams);

    constexpr int kAdapterCount = 1;
    IPInfo_Get(resolver.handle(), kAdapterCount, 0, nullptr);
    EXPECT_EQ(ipInfoSystemReads().adapterLists, before.adapterLists + 1);
    EXPECT_EQ(ipInfoSystemReads().networkParams, before.networkParams);
  }
  IPInfo_StaticDestroy();
}

}  // namespace
}  // namespace velmora::network
