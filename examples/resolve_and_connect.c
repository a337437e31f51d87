/* Resolves a host name with IPInfo and connects to a TCP port of its address
   with IPPort:  resolve_and_connect localhost 8080  */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "velmora_components.h"

int main(int argc, char** argv) {
  void* params[2] = {(void*)(IPInfo_Setting_BlockingResolve "=True"), NULL};
  int lengths[2] = {0, 0};
  int code;
  void *info, *port;
  if (argc != 3) return fprintf(stderr, "usage: %s host port\n", argv[0]), 2;
  IPInfo_StaticInit(NULL);
  IPPort_StaticInit(NULL);
  info = IPInfo_Create(NULL, NULL);
  port = IPPort_Create(NULL, NULL);
  if (info == NULL || port == NULL) return fprintf(stderr, "out of memory\n"), 1;
  /* With BlockingResolve the lookup ends inside the call: no DoEvents loop. */
  IPInfo_Do(info, IPInfo_Method_Config, 2, params, lengths);
  params[0] = argv[1];
  params[1] = NULL;
  code = IPInfo_Do(info, IPInfo_Method_ResolveName, 2, params, lengths);
  if (code != VELMORA_SUCCESS) return printf("Resolve: %s\n", IPInfo_GetLastError(info)), 1;
  printf("Resolve: %s is %s\n", argv[1],
         (const char*)IPInfo_Get(info, IPInfo_Prop_HostAddress, 0, NULL));
  IPPort_Set(port, IPPort_Prop_Timeout, 0, (void*)(intptr_t)5, 0);
  params[0] = IPInfo_Get(info, IPInfo_Prop_HostAddress, 0, NULL);
  params[1] = (void*)(intptr_t)atoi(argv[2]);
  code = IPPort_Do(port, IPPort_Method_Connect, 2, params, lengths);
  printf("Connect: %d %s\n", code, code ? IPPort_GetLastError(port) : "OK");
  if (code == VELMORA_SUCCESS) IPPort_Do(port, IPPort_Method_Disconnect, 0, NULL, NULL);
  IPPort_Destroy(port);
  IPInfo_Destroy(info);
  IPPort_StaticDestroy();
  IPInfo_StaticDestroy();
  return code == VELMORA_SUCCESS ? 0 : 1;
}
