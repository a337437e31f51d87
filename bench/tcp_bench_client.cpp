// The client side of bench/run's TCP figures, on IPPort's flat functions:
//   tcp_bench_client sendfile FILE PORT   sends FILE, prints the seconds
//   tcp_bench_client probes N PORT        N probes as tavro makes them, prints
//                                         the open descriptors before and after
//   tcp_bench_client receive PORT         takes a stream through DataIn with the
//                                         default settings until the peer closes,
//                                         prints bytes, seconds and CPU seconds

#include <dirent.h>
#include <sys/resource.h>

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

struct Stream {
  long long bytes = 0;
  bool closed = false;
};

int VELMORA_CALL onStreamEvent(void* context, int id, int, void*[], int lengths[]) {
  Stream* stream = static_cast<Stream*>(context);
  if (id == ipport::kEventDataIn) stream->bytes += lengths[0];
  if (id == ipport::kEventDisconnected) stream->closed = true;
  return 0;
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int receive(int remotePort) {
  Stream stream;
  void* port = IPPort_Create(onStreamEvent, &stream);
  int code = connectLoopback(port, remotePort);
  auto start = std::chrono::steady_clock::now();
  double cpuStart = cpuSeconds();
  while (code == 0 && !stream.closed) IPPort_Do(port, ipport::kDoEvents, 0, nullptr, nullptr);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = cpuSeconds() - cpuStart;
  if (code != 0) std::fprintf(stderr, "failed: %d %s\n", code, IPPort_GetLastError(port));
  IPPort_Destroy(port);
  std::printf("%lld %.3f %.3f\n", stream.bytes, seconds, cpu);
  return code == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool receiving = argc == 3 && std::strcmp(argv[1], "receive") == 0;
  if (argc != 4 && !receiving) {
    std::fprintf(stderr,
                 "usage: tcp_bench_client sendfile FILE PORT | probes N PORT | receive PORT\n");
    return 2;
  }
  IPPort_StaticInit(nullptr);
  int rc = receiving                               ? receive(std::atoi(argv[2]))
           : std::strcmp(argv[1], "sendfile") == 0 ? sendFile(argv[2], std::atoi(argv[3]))
                                                   : probes(std::atoi(argv[2]), std::atoi(argv[3]));
  IPPort_StaticDestroy();
  return rc;
}
