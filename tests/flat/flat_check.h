/* Small helpers shared by the C programs that check the components through
   their flat interface: a check that counts failures, the process's CPU time,
   a wall clock, a pause, and the few socket calls a loopback peer needs, on
   both systems. */
#ifndef TAVRO_TESTS_FLAT_FLAT_CHECK_H_
#define TAVRO_TESTS_FLAT_FLAT_CHECK_H_

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
typedef SOCKET peer_socket;
#define PEER_INVALID INVALID_SOCKET
#define peer_close closesocket
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>
typedef int peer_socket;
#define PEER_INVALID (-1)
#define peer_close close
#endif

#include "velmora_components.h"

static int check_failures = 0;

#define CHECK(condition, ...) \
  do {                        \
    if (condition) {          \
      printf("ok    ");       \
    } else {                  \
      ++check_failures;       \
      printf("FAIL  ");       \
    }                         \
    printf(__VA_ARGS__);      \
    printf("\n");             \
  } while (0)

static inline int check_result(void) {
  printf("%s: %d failed\n", check_failures ? "FAILED" : "PASSED", check_failures);
  return check_failures ? 1 : 0;
}

static inline int text_is(const void* text, const char* want) {
  return text != NULL && strcmp((const char*)text, want) == 0;
}

static inline double cpu_millis(void) {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  ULARGE_INTEGER k, u;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  k.LowPart = kernel.dwLowDateTime;
  k.HighPart = kernel.dwHighDateTime;
  u.LowPart = user.dwLowDateTime;
  u.HighPart = user.dwHighDateTime;
  return (double)(k.QuadPart + u.QuadPart) / 10000.0;
#else
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0 +
         usage.ru_stime.tv_sec * 1000.0 + usage.ru_stime.tv_usec / 1000.0;
#endif
}

static inline double wall_millis(void) {
#ifdef _WIN32
  return (double)GetTickCount();
#else
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
#endif
}

static inline void pause_millis(int millis) {
#ifdef _WIN32
  Sleep((DWORD)millis);
#else
  usleep((useconds_t)millis * 1000);
#endif
}

static inline void peer_startup(void) {
#ifdef _WIN32
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
#endif
}

/* A listener on 127.0.0.1 with the given backlog; its port through `port`. */
static inline peer_socket peer_listen(int backlog, int* port) {
  struct sockaddr_in address;
  socklen_t length = sizeof address;
  peer_socket s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == PEER_INVALID) return s;
  memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s, (struct sockaddr*)&address, sizeof address) != 0 || listen(s, backlog) != 0 ||
      getsockname(s, (struct sockaddr*)&address, &length) != 0) {
    peer_close(s);
    return PEER_INVALID;
  }
  *port = ntohs(address.sin_port);
  return s;
}

/* Closes with a reset instead of a graceful end. */
static inline void peer_reset(peer_socket s) {
  struct linger off;
  off.l_onoff = 1;
  off.l_linger = 0;
  setsockopt(s, SOL_SOCKET, SO_LINGER, (const char*)&off, sizeof off);
  peer_close(s);
}

/* Config on either component; the answer or the error text. */
static inline const char* ipport_config(void* port, const char* setting) {
  void* params[2];
  int lengths[2] = {0, 0};
  params[0] = (void*)setting;
  params[1] = NULL;
  if (IPPort_Do(port, 2, 2, params, lengths) != 0) return IPPort_GetLastError(port);
  return (const char*)params[1];
}

static inline const char* ipinfo_config(void* info, const char* setting) {
  void* params[2];
  int lengths[2] = {0, 0};
  params[0] = (void*)setting;
  params[1] = NULL;
  if (IPInfo_Do(info, 2, 2, params, lengths) != 0) return IPInfo_GetLastError(info);
  return (const char*)params[1];
}

#endif /* TAVRO_TESTS_FLAT_FLAT_CHECK_H_ */
