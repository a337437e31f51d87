#include "support/network/resolver_instances.h"

#include <gtest/gtest.h>

#include <string>

#include "components/ipinfo/ipinfo_component.h"
#include "support/network/dns_resolver.h"
#include "velmora_components.h"

namespace velmora::network {
namespace {

using components::ipInfoStaticUsers;

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

}  // namespace
}  // namespace velmora::network
