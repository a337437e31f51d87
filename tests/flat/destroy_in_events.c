/* A callback may destroy its own instance. IPPort_Destroy or IPInfo_Destroy
   from inside one of the instance's events returns 0 at once, no later event
   of that instance is delivered (not even the wide repeat the callback asks
   for), and the instance is freed when the call that raised the event has
   returned. Each event of both components is tried, raised inside the
   instance's own call (a blocking Connect or Disconnect, a blocking lookup,
   its own DoEvents) and through another instance's DoEvents. Run under
   valgrind (destroy_in_events.sh), any use of the freed instance fails. */
#include "flat_check.h"

enum { kConnect = 3, kDisconnect = 4, kDoEvents = 5, kTimeout = 19 };
enum { kFirewallType = 7, kFirewallHost = 8, kFirewallPort = 10, kHostName = 29 };
enum {
  kConnected = 1,
  kConnectionStatus = 2,
  kDataIn = 3,
  kDisconnected = 4,
  kError = 5,
  kReadyToSend = 6,
  kRequestComplete = 2
};
enum { kOther = 0, kOwn = 1 };

static void* target; /* the instance under test */
static void* pump;   /* an instance that only runs the thread's messages */
static int targetIsInfo, destroyOn, destroyed, destroyCode, eventsAfter;

static int VELMORA_CALL on_event(void* context, int id, int count, void* params[], int lengths[]) {
  (void)count;
  (void)params;
  (void)lengths;
  if (context != &target) return 0;
  if (destroyed) {
    ++eventsAfter;
    return 0;
  }
  if (id != destroyOn) return 0;
  destroyed = 1;
  destroyCode = targetIsInfo ? IPInfo_Destroy(target) : IPPort_Destroy(target);
  /* Asking for the wide repeat of an event whose instance is gone. */
  return VELMORA_WIDE_EVENT_REQUEST;
}

static int do_target(int method, void* params[], int lengths[], int count) {
  return targetIsInfo ? IPInfo_Do(target, method, count, params, lengths)
                      : IPPort_Do(target, method, count, params, lengths);
}

/* Runs messages until the target is destroyed (and a few steps more, so that
   notifications still queued for its window arrive after it is gone). */
static void drive(int own, int millis) {
  double start = wall_millis();
  int after = 10;
  while (wall_millis() - start < millis && after > 0) {
    if (own && !destroyed) {
      do_target(kDoEvents, NULL, NULL, 0);
    } else {
      IPPort_Do(pump, kDoEvents, 0, NULL, NULL);
    }
    if (destroyed) --after;
  }
}

static void start_port(int event, int timeoutSeconds) {
  targetIsInfo = 0;
  destroyOn = event;
  destroyed = destroyCode = eventsAfter = 0;
  target = IPPort_Create(on_event, &target);
  IPPort_Set(target, kTimeout, 0, (void*)(intptr_t)timeoutSeconds, 0);
}

static int connect_target(const char* host, int port) {
  void* params[2];
  int lengths[2] = {0, 0};
  params[0] = (void*)host;
  params[1] = (void*)(intptr_t)port;
  return do_target(kConnect, params, lengths, 2);
}

static void report(const char* what) {
  CHECK(destroyed && destroyCode == 0 && eventsAfter == 0,
        "%s: destroyed %d (returned %d), %d events after", what, destroyed, destroyCode,
        eventsAfter);
  if (!destroyed) {
    if (targetIsInfo) {
      IPInfo_Destroy(target);
    } else {
      IPPort_Destroy(target);
    }
  }
  target = NULL; /* a leak of the instance is then a definite one */
}

static int peer_readable(peer_socket s) {
  fd_set set;
  struct timeval none = {0, 0};
  FD_ZERO(&set);
  FD_SET(s, &set);
  return select((int)s + 1, &set, NULL, NULL, &none) > 0;
}

/* Connected and ConnectionStatus inside the blocking Connect. */
static void in_blocking_connect(peer_socket listener, int port, int event, const char* what) {
  peer_socket accepted;
  start_port(event, 5);
  connect_target("127.0.0.1", port);
  report(what);
  accepted = accept(listener, NULL, NULL);
  peer_close(accepted);
}

static void ready_to_send(peer_socket listener, int port) {
  peer_socket accepted;
  start_port(kReadyToSend, 0);
  connect_target("127.0.0.1", port);
  accepted = accept(listener, NULL, NULL);
  drive(kOther, 3000);
  report("ReadyToSend through another instance's DoEvents");
  peer_close(accepted);
}

static void data_in(peer_socket listener, int port, int own, const char* what) {
  static char bytes[20000];
  peer_socket accepted;
  start_port(kDataIn, 0);
  connect_target("127.0.0.1", port);
  accepted = accept(listener, NULL, NULL);
  memset(bytes, 'x', sizeof bytes);
  send(accepted, bytes, sizeof bytes, 0);
  drive(own, 3000);
  report(what);
  peer_close(accepted);
}

static void disconnected_by_peer(peer_socket listener, int port) {
  peer_socket accepted;
  start_port(kDisconnected, 0);
  connect_target("127.0.0.1", port);
  accepted = accept(listener, NULL, NULL);
  peer_close(accepted);
  drive(kOther, 3000);
  report("Disconnected (peer's close) through another instance's DoEvents");
}

static void disconnected_by_disconnect(peer_socket listener, int port) {
  peer_socket accepted;
  start_port(kDisconnected, 5);
  connect_target("127.0.0.1", port);
  accepted = accept(listener, NULL, NULL);
  do_target(kDisconnect, NULL, NULL, 0);
  report("Disconnected inside the blocking Disconnect");
  peer_close(accepted);
}

/* A SOCKS4 proxy that refuses the request: the Error event. */
static void error_from_proxy(peer_socket listener, int port) {
  static const char refusal[8] = {0, 91, 0, 0, 0, 0, 0, 0};
  char request[64];
  peer_socket accepted;
  double start;
  start_port(kError, 0);
  IPPort_Set(target, kFirewallType, 0, (void*)2, 0);
  IPPort_Set(target, kFirewallHost, 0, "127.0.0.1", 0);
  IPPort_Set(target, kFirewallPort, 0, (void*)(intptr_t)port, 0);
  connect_target("127.0.0.2", 7);
  accepted = accept(listener, NULL, NULL);
  for (start = wall_millis(); !peer_readable(accepted) && wall_millis() - start < 3000;)
    IPPort_Do(pump, kDoEvents, 0, NULL, NULL);
  recv(accepted, request, sizeof request, 0);
  send(accepted, refusal, sizeof refusal, 0);
  drive(kOther, 3000);
  report("Error (proxy refusal) through another instance's DoEvents");
  peer_close(accepted);
}

static void request_complete(int blocking, int own, const char* what) {
  targetIsInfo = 1;
  destroyOn = kRequestComplete;
  destroyed = destroyCode = eventsAfter = 0;
  target = IPInfo_Create(on_event, &target);
  if (blocking) ipinfo_config(target, "BlockingResolve=true");
  IPInfo_Set(target, kHostName, 0, "127.0.0.1", 0);
  if (!destroyed) drive(own, 5000);
  report(what);
}

int main(void) {
  int port = 0;
  peer_socket listener;
  peer_startup();
  IPPort_StaticInit(NULL);
  IPInfo_StaticInit(NULL);
  pump = IPPort_Create(on_event, NULL);
  listener = peer_listen(8, &port);
  in_blocking_connect(listener, port, kConnectionStatus,
                      "ConnectionStatus inside the blocking Connect");
  in_blocking_connect(listener, port, kConnected, "Connected inside the blocking Connect");
  ready_to_send(listener, port);
  data_in(listener, port, kOwn, "DataIn inside the instance's own DoEvents");
  data_in(listener, port, kOther, "DataIn through another instance's DoEvents");
  disconnected_by_peer(listener, port);
  disconnected_by_disconnect(listener, port);
  error_from_proxy(listener, port);
  request_complete(1, kOwn, "RequestComplete inside the blocking lookup");
  request_complete(0, kOwn, "RequestComplete inside the instance's own DoEvents");
  request_complete(0, kOther, "RequestComplete through another instance's DoEvents");
  peer_close(listener);
  IPPort_Destroy(pump);
  IPInfo_StaticDestroy();
  IPPort_StaticDestroy();
  return check_result();
}
