// Drives IPInfo's lookups for bench/resolve_queue.sh, in the world's client
// namespace:
//   resolve_queue_client queued N NAME...    N lookups queued at once
//   resolve_queue_client single NAME         one queued lookup
//   resolve_queue_client sequential N NAME   N getaddrinfo calls in a row
// Prints the wall time in microseconds and how many lookups succeeded.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "components/ipinfo/lookup_test_support.h"
#include "platform/inet.h"

namespace {

using velmora::components::testing_lookup::LookupClient;
using Clock = std::chrono::steady_clock;

long long microsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

int queued(int count, const std::vector<std::string>& names) {
  LookupClient client;
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    const int code = client.setText(velmora::components::testing_lookup::kHostName,
                                    names[static_cast<size_t>(i) % names.size()]);
    if (code != 0) std::fprintf(stderr, "lookup %d refused: %d\n", i, code);
  }
  client.awaitCompletions(static_cast<size_t>(count), 30000);
  const long long elapsed = microsSince(start);
  int ok = 0;
  for (const auto& e : client.completions()) ok += e.second == 0 ? 1 : 0;
  std::printf("%lld us, %d of %d answered\n", elapsed, ok, count);
  return ok == count ? 0 : 1;
}

int sequential(int count, const std::string& name) {
  int ok = 0;
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    std::vector<velmora::platform::ResolvedAddress> found;
    ok += velmora::platform::getAddrInfo(name.c_str(), nullptr, &found) == 0 ? 1 : 0;
  }
  std::printf("%lld us, %d of %d answered\n", microsSince(start), ok, count);
  return ok == count ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "single" && argc == 3) return queued(1, {argv[2]});
  if (mode == "queued" && argc >= 4) {
    return queued(std::atoi(argv[2]), std::vector<std::string>(argv + 3, argv + argc));
  }
  if (mode == "sequential" && argc == 4) return sequential(std::atoi(argv[2]), argv[3]);
  std::fprintf(stderr, "usage: %s queued N NAME... | single NAME | sequential N NAME\n", argv[0]);
  return 2;
}
