#include "platform/adapters.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/adapters_posix.h"

namespace velmora::platform {
namespace {

TEST(PosixAdapters, ListsNoLoopbackAndEveryAdapterHasAnAddressInIndexOrder) {
  std::vector<AdapterRecord> adapters;
  listAdapters(&adapters);
  uint32_t previous = 0;
  for (const AdapterRecord& adapter : adapters) {
    EXPECT_NE(adapter.type, 24u) << adapter.adapterName;
    ASSERT_FALSE(adapter.addresses.empty()) << adapter.adapterName;
    EXPECT_NE(adapter.addresses.front().address, "127.0.0.1");
    EXPECT_GT(adapter.index, previous);
    previous = adapter.index;
  }
}

TEST(PosixAdapters, LoopbackConnectionCountsAsConnected) {
  const std::vector<ConnectionRecord> connections = listConnections();
  const auto lo = std::find_if(connections.begin(), connections.end(),
                               [](const ConnectionRecord& c) { return c.deviceName == "lo"; });
  ASSERT_NE(lo, connections.end());
  EXPECT_EQ(lo->status, 2);
}

TEST(PosixAdapters, LoopbackHasNoPhysicalAddress) {
  std::vector<AdapterRecord> interfaces;
  ASSERT_TRUE(listInterfaceRecords(true, &interfaces));
  const auto lo = std::find_if(interfaces.begin(), interfaces.end(),
                               [](const AdapterRecord& a) { return a.type == 24u; });
  ASSERT_NE(lo, interfaces.end());
  EXPECT_TRUE(lo->hardwareAddress.empty()) << lo->hardwareAddress.size() << " bytes";
}

TEST(PosixAdapters, TheBandwidthCounterIsTheOnlyOneKnown) {
  std::vector<CounterSample> samples;
  CounterStep step = CounterStep::kNone;
  EXPECT_EQ(readCounterInstances("\\Processor(*)\\% Processor Time", &samples, &step),
            static_cast<int32_t>(0xC0000BB8u));
  EXPECT_EQ(step, CounterStep::kAddCounter);
  EXPECT_EQ(readCounterInstances("\\Network Interface(*)\\Current Bandwidth", &samples, &step), 0);
  EXPECT_EQ(step, CounterStep::kNone);
  for (const CounterSample& sample : samples) EXPECT_GE(sample.value, 0) << sample.instance;
}

}  // namespace
}  // namespace velmora::platform
