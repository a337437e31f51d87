// Lookups against the test world's DNS server. They run only inside the
// world's client namespace, where tests/scenarios/resolve_queue.sh starts
// them with TAVRO_LOOKUP_WORLD set ("dns", or "silent" when the resolver
// points at a server that never answers) and the world's names in TW_*.

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "components/ipinfo/lookup_test_support.h"

namespace velmora::components::testing_lookup {
namespace {

constexpr uint32_t kAnswerMillis = 15000;
constexpr int kHostNotFound = 11001;
constexpr int kTryAgain = 11002;

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// A skip in SetUp keeps the test body from running at all: outside the
// world a lookup would go to this machine's own resolver.
class WorldLookupTest : public testing::Test {
 protected:
  explicit WorldLookupTest(const char* mode) : mode_(mode) {}
  void SetUp() override {
    if (env("TAVRO_LOOKUP_WORLD") != mode_) {
      GTEST_SKIP() << "runs inside the test world (tests/scenarios/resolve_queue.sh)";
    }
    ASSERT_TRUE(client.created());
  }
  // Starts one lookup and waits for its RequestComplete; the status.
  intptr_t resolve(int property, const std::string& value) {
    if (value.empty()) {
      ADD_FAILURE() << "a TW_* name is missing from the environment";
      return -1;
    }
    const size_t before = client.completions().size();
    EXPECT_EQ(client.setText(property, value), 0) << client.lastError();
    if (!client.awaitCompletions(before + 1, kAnswerMillis)) return -1;
    return client.completions().back().second;
  }
  LookupClient client;

 private:
  std::string mode_;
};

class IPInfoWorldLookups : public WorldLookupTest {
 protected:
  IPInfoWorldLookups() : WorldLookupTest("dns") {}
};

class IPInfoSilentWorldLookups : public WorldLookupTest {
 protected:
  IPInfoSilentWorldLookups() : WorldLookupTest("silent") {}
};

TEST_F(IPInfoWorldLookups, NameWithOneAddress) {
  ASSERT_EQ(resolve(kHostName, env("TW_NAME_ECHO")), 0);
  EXPECT_EQ(client.text(kHostAddress), env("TW_ECHO"));
  EXPECT_EQ(client.text(kOtherAddresses), "");
  EXPECT_EQ(client.text(kHostName), env("TW_NAME_ECHO"));
  EXPECT_EQ(client.completions().back().description, "OK");
}

TEST_F(IPInfoWorldLookups, NameWithTwoAddressesListsTheOther) {
  ASSERT_EQ(resolve(kHostName, env("TW_NAME_MULTI")), 0);
  const std::set<std::string> found = {client.text(kHostAddress), client.text(kOtherAddresses)};
  EXPECT_EQ(found, (std::set<std::string>{env("TW_ECHO"), env("TW_MULTI_SECOND")}));
}

TEST_F(IPInfoWorldLookups, AddressToName) {
  ASSERT_EQ(resolve(kHostAddress, env("TW_ECHO")), 0);
  EXPECT_EQ(client.text(kHostName), env("TW_NAME_ECHO"));
  EXPECT_EQ(client.text(kHostAddress), env("TW_ECHO"));
}

TEST_F(IPInfoWorldLookups, AliasesOfTheHostsFile) {
  ASSERT_EQ(resolve(kHostName, env("TAVRO_LOOKUP_ALIAS_NAME")), 0);
  EXPECT_EQ(client.text(kHostAliases), env("TAVRO_LOOKUP_ALIASES"));
  EXPECT_EQ(client.text(kHostAddress), env("TW_MULTI_SECOND"));
}

TEST_F(IPInfoWorldLookups, MissingNameAndIPv6OnlyNameFail) {
  EXPECT_EQ(resolve(kHostName, env("TW_NAME_MISSING")), kHostNotFound);
  EXPECT_EQ(client.completions().back().description.rfind("[11001] ", 0), 0u);
  EXPECT_EQ(client.text(kHostAddress), "");
  const intptr_t status = resolve(kHostName, env("TW_NAME_V6ONLY"));
  EXPECT_NE(status, 0);
  EXPECT_NE(status, -1);
  EXPECT_EQ(client.text(kHostAddress), "");
}

TEST_F(IPInfoWorldLookups, NinetySixQueuedAtOnceAllComplete) {
  std::set<intptr_t> ids;
  for (int i = 0; i < 96; ++i) {
    const std::string name = env(i % 2 ? "TW_NAME_MULTI" : "TW_NAME_ECHO");
    ASSERT_FALSE(name.empty());
    ASSERT_EQ(client.setText(kHostName, name), 0);
    ids.insert(client.number(kRequestId));
  }
  EXPECT_EQ(ids.size(), 96u);
  EXPECT_EQ(client.setText(kHostName, env("TW_NAME_ECHO")), 131);
  ASSERT_TRUE(client.awaitCompletions(96, kAnswerMillis));
  for (const RecordedEvent& e : client.completions()) {
    EXPECT_EQ(e.second, 0);
    EXPECT_EQ(ids.erase(e.first), 1u) << "id " << e.first;
  }
  EXPECT_EQ(client.number(kPendingRequests), 0);
}

TEST_F(IPInfoSilentWorldLookups, ServerThatNeverAnswersEndsInTryAgain) {
  EXPECT_EQ(resolve(kHostName, env("TW_NAME_ECHO")), kTryAgain);
  EXPECT_EQ(client.text(kHostAddress), "");
  EXPECT_EQ(client.number(kPendingRequests), 0);
}

}  // namespace
}  // namespace velmora::components::testing_lookup
