#include "components/ipinfo/ipinfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

class Probe : public IPInfo {
 public:
  std::string seen;
  int FireError(ErrorEventParams* e) override {
    seen = "error " + std::to_string(e->errorCode) + " " + e->description;
    return 1;
  }
  int FireRequestComplete(RequestCompleteEventParams* e) override {
    seen = "done " + std::to_string(e->requestId) + " " + std::to_string(e->statusCode) + " " +
           e->description + " " + std::to_string(e->reserved);
    return 2;
  }
  int FireWideEvent(int id, int, void*[], int[]) override {
    seen = "wide " + std::to_string(id);
    return 3;
  }
};

TEST(IPInfoWrapper, DispatchFillsBothEventRecords) {
  Probe probe;
  void* error[2] = {reinterpret_cast<void*>(intptr_t{132}),
                    const_cast<char*>("Message for unknown request.")};
  EXPECT_EQ(IPInfo::dispatchEvent(&probe, 1, 2, error, nullptr), 1);
  EXPECT_EQ(probe.seen, "error 132 Message for unknown request.");
  void* done[3] = {reinterpret_cast<void*>(intptr_t{7}), reinterpret_cast<void*>(intptr_t{0}),
                   const_cast<char*>("OK")};
  EXPECT_EQ(IPInfo::dispatchEvent(&probe, 2, 3, done, nullptr), 2);
  EXPECT_EQ(probe.seen, "done 7 0 OK 0");
  EXPECT_EQ(IPInfo::dispatchEvent(&probe, 10001, 2, error, nullptr), 3);
  EXPECT_EQ(probe.seen, "wide 1");
  EXPECT_EQ(IPInfo::dispatchEvent(&probe, 3, 0, nullptr, nullptr), 0);
}

}  // namespace
