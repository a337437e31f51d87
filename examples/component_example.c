/* A C program driving the IPPort component through its flat interface:
   it sets a timeout, reads settings back through Config, and tries to
   connect to the loopback port given on the command line, printing every
   event the component raises through the callback. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "velmora_components.h"

static int events_seen = 0;

static int VELMORA_CALL on_event(void* context, int event_id, int count, void* params[],
                                 int lengths[]) {
  const char* name = (const char*)context;
  (void)lengths;
  ++events_seen;
  if (event_id == IPPort_Event_Connected && count >= 2) {
    printf("%s: Connected %d %s\n", name, (int)(intptr_t)params[0], (const char*)params[1]);
  } else if (event_id == IPPort_Event_ConnectionStatus && count >= 3) {
    printf("%s: ConnectionStatus \"%s\" %d\n", name, (const char*)params[0],
           (int)(intptr_t)params[1]);
  } else {
    printf("%s: event %d\n", name, event_id);
  }
  return 0;
}

static const char* config(void* port, const char* setting) {
  void* params[2];
  int lengths[2] = {0, 0};
  params[0] = (void*)setting;
  params[1] = NULL;
  if (IPPort_Do(port, IPPort_Method_Config, 2, params, lengths) != VELMORA_SUCCESS)
    return IPPort_GetLastError(port);
  return (const char*)params[1];
}

int main(int argc, char** argv) {
  int port_number = argc > 1 ? atoi(argv[1]) : 0;
  void* port;
  int code = 0;
  IPPort_StaticInit(NULL);
  port = IPPort_Create(on_event, (void*)"port");
  if (port == NULL) {
    printf("IPPort is not available in this build\n");
    IPPort_StaticDestroy();
    return 0;
  }
  IPPort_Set(port, IPPort_Prop_Timeout, 0, (void*)(intptr_t)2, 0);
  printf("Timeout: %d\n", (int)(intptr_t)IPPort_Get(port, IPPort_Prop_Timeout, 0, NULL));
  printf("SelectWaitMillis: %s\n", config(port, Velmora_Setting_SelectWaitMillis));
  printf("WinsockVersion: %s\n", config(port, Velmora_Setting_WinsockVersion));
  printf("Bogus: %s\n", config(port, "Bogus=1"));
  if (port_number > 0) {
    void* params[2];
    int lengths[2] = {0, 0};
    params[0] = (void*)"127.0.0.1";
    params[1] = (void*)(intptr_t)port_number;
    code = IPPort_Do(port, IPPort_Method_Connect, 2, params, lengths);
    printf("Connect: %d %s\n", code, code ? IPPort_GetLastError(port) : "OK");
    if (code == 0) IPPort_Do(port, IPPort_Method_Disconnect, 0, NULL, NULL);
  }
  printf("Events: %d\n", events_seen);
  IPPort_Destroy(port);
  IPPort_StaticDestroy();
  return 0;
}
