/* DoEvents with nothing to do waits about SelectWaitMillis, whatever state
   the deadline of a blocking IPPort instance is in: fresh, after a blocking
   Connect that timed out, and on a connection idle for longer than Timeout.
   Prints the calls and the CPU time of a one-second DoEvents loop in each
   state; a loop that spins makes hundreds of thousands of calls. */
#include "flat_check.h"

enum { kTimeout = 19, kConnect = 3, kDoEvents = 5 };
#define LOOP_MILLIS 1000
/* 20 ms a step gives about 50 calls; far fewer than a spinning loop's. */
#define MAX_CALLS 200

static void* blocking_port(void) {
  void* port = IPPort_Create(NULL, NULL);
  IPPort_Set(port, kTimeout, 0, (void*)(intptr_t)1, 0);
  return port;
}

static int connect_to(void* port, int tcpPort) {
  void* params[2];
  int lengths[2] = {0, 0};
  params[0] = (void*)"127.0.0.1";
  params[1] = (void*)(intptr_t)tcpPort;
  return IPPort_Do(port, kConnect, 2, params, lengths);
}

static void measure(void* port, const char* state) {
  double start = wall_millis(), cpu = cpu_millis();
  long calls = 0;
  while (wall_millis() - start < LOOP_MILLIS) {
    IPPort_Do(port, kDoEvents, 0, NULL, NULL);
    ++calls;
  }
  cpu = cpu_millis() - cpu;
  printf("      %s: %ld DoEvents calls, %.1f ms CPU in %d ms\n", state, calls, cpu, LOOP_MILLIS);
  CHECK(calls <= MAX_CALLS, "%s: DoEvents waits instead of returning at once", state);
}

int main(void) {
  int fullPort = 0, openPort = 0, code;
  peer_socket full, open, queued;
  struct sockaddr_in address;
  void* port;
  peer_startup();
  IPPort_StaticInit(NULL);

  port = blocking_port();
  measure(port, "fresh instance");
  IPPort_Destroy(port);

  /* A listener whose only backlog place is taken: the next handshake is
     never answered, so a blocking Connect runs into its timeout. */
  full = peer_listen(0, &fullPort);
  queued = socket(AF_INET, SOCK_STREAM, 0);
  memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons((uint16_t)fullPort);
  connect(queued, (struct sockaddr*)&address, sizeof address);
  port = blocking_port();
  code = connect_to(port, fullPort);
  CHECK(code == 301, "Connect to a listener that never answers timed out (%d %s)", code,
        IPPort_GetLastError(port));
  measure(port, "after a timed-out Connect");
  IPPort_Destroy(port);
  peer_close(queued);
  peer_close(full);

  open = peer_listen(8, &openPort);
  port = blocking_port();
  code = connect_to(port, openPort);
  CHECK(code == 0, "Connect to a listening port (%d)", code);
  pause_millis(1200); /* longer than Timeout: the connection is idle */
  measure(port, "on a connection idle past Timeout");
  IPPort_Destroy(port);
  peer_close(open);

  IPPort_StaticDestroy();
  return check_result();
}
