#include "components/ipport/ipport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// Records what the dispatcher hands to each virtual function.
class Probe : public IPPort {
 public:
  std::string seen;
  int FireConnected(ConnectedEventParams* e) override {
    seen = "connected " + std::to_string(e->statusCode) + " " + e->description + " " +
           std::to_string(e->reserved);
    return 11;
  }
  int FireConnectionStatus(ConnectionStatusEventParams* e) override {
    seen = std::string("status ") + e->connectionEvent + " " + std::to_string(e->statusCode) + " " +
           e->description;
    return 0;
  }
  int FireDataIn(DataInEventParams* e) override {
    seen = "data " + std::string(e->text, static_cast<size_t>(e->lenText)) + " " +
           std::to_string(e->eol);
    return 0;
  }
  int FireWideEvent(int id, int count, void*[], int[]) override {
    seen = "wide " + std::to_string(id) + " " + std::to_string(count);
    return 22;
  }
};

void* word(intptr_t value) { return reinterpret_cast<void*>(value); }

TEST(IPPortWrapper, DispatchFillsEachEventRecord) {
  Probe probe;
  void* connected[2] = {word(10061), const_cast<char*>("[10061] Connection refused")};
  int lengths[3] = {0, 0, 0};
  EXPECT_EQ(IPPort::dispatchEvent(&probe, 1, 2, connected, lengths), 11);
  EXPECT_EQ(probe.seen, "connected 10061 [10061] Connection refused 0");
  void* status[3] = {const_cast<char*>("Remote host connection complete."), word(0),
                     const_cast<char*>("OK")};
  IPPort::dispatchEvent(&probe, 2, 3, status, lengths);
  EXPECT_EQ(probe.seen, "status Remote host connection complete. 0 OK");
  void* data[2] = {const_cast<char*>("ab\0cd"), word(1)};
  int dataLengths[2] = {5, 0};
  IPPort::dispatchEvent(&probe, 3, 2, data, dataLengths);
  EXPECT_EQ(probe.seen, std::string("data ab\0cd 1", 12));
}

TEST(IPPortWrapper, WideAndUnknownEvents) {
  Probe probe;
  EXPECT_EQ(IPPort::dispatchEvent(&probe, 10002, 3, nullptr, nullptr), 22);
  EXPECT_EQ(probe.seen, "wide 2 3");
  EXPECT_EQ(IPPort::dispatchEvent(&probe, 9, 0, nullptr, nullptr), 0);
  // A short parameter list reads as zeros and empty texts.
  EXPECT_EQ(IPPort::dispatchEvent(&probe, 1, 0, nullptr, nullptr), 11);
  EXPECT_EQ(probe.seen, "connected 0  0");
}

}  // namespace
