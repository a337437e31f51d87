// The client side of bench/run's TCP figures, on IPPort's flat functions:
//   tcp_bench_client sendfile FILE PORT   sends FILE, prints the seconds
//   tcp_bench_client probes N PORT        N probes as tavro makes them, prints
//                                         the open descriptors before and after

#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "components/ipport/ipport_ids.h"
#include "velmora_components.h"

namespace {

namespace ipport = velmora::components::ipport;

void* word(long value) { return reinterpret_cast<void*>(static_cast<intptr_t>(value)); }

int connectLoopback(void* port, int remotePort) {
  void* params[] = {const_cast<char*>("127.0.0.1"), word(remotePort)};
  int lengths[] = {0, 0};
  return IPPort_Do(port, ipport::kConnect, 2, params, lengths);
}

int openDescriptors() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dir && readdir(dir)) ++count;
  if (dir) closedir(dir);
  return count;
}

int sendFile(char* file, int remotePort) {
  void* port = IPPort_Create(nullptr, nullptr);
  IPPort_Set(port, ipport::kTimeout, 0, word(30), 0);
  int code = connectLoopback(port, remotePort);
  auto start = std::chrono::steady_clock::now();
  if (code == 0) {
    void* params[] = {file};
    int lengths[] = {0};
    code = IPPort_Do(port, ipport::kSendFile, 1, params, lengths);
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (code != 0) std::fprintf(stderr, "failed: %d %s\n", code, IPPort_GetLastError(port));
  IPPort_Do(port, ipport::kDisconnect, 0, nullptr, nullptr);
  IPPort_Destroy(port);
  std::printf("%.3f\n", seconds);
  return code == 0 ? 0 : 1;
}

int probes(int count, int remotePort) {
  int before = openDescriptors();
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    void* port = IPPort_Create(nullptr, nullptr);
    IPPort_Set(port, ipport::kTimeout, 0, word(2), 0);
    if (connectLoopback(port, remotePort) == 0) {
      IPPort_Do(port, ipport::kDisconnect, 0, nullptr, nullptr);
    } else {
      ++failures;
    }
    IPPort_Destroy(port);
  }
  std::printf("descriptors before %d, after %d; %d of %d probes failed\n", before,
              openDescriptors(), failures, count);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: tcp_bench_client sendfile FILE PORT | probes N PORT\n");
    return 2;
  }
  IPPort_StaticInit(nullptr);
  int rc = std::strcmp(argv[1], "sendfile") == 0 ? sendFile(argv[2], std::atoi(argv[3]))
                                                 : probes(std::atoi(argv[2]), std::atoi(argv[3]));
  IPPort_StaticDestroy();
  return rc;
}
