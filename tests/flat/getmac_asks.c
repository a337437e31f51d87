/* GetMAC asks the network: for each ADDRESS EXPECTED pair given, GetMAC must
   answer the expected hardware address (aa-bb-cc-dd-ee-ff) even when the
   kernel's neighbour cache was flushed just before. Prints how long each
   answer took. Run in the test world, where the neighbours exist. */
#include <ctype.h>

#include "flat_check.h"

enum { kGetMac = 6 };

static int same_text_ignoring_case(const char* a, const char* b) {
  while (*a && *b && tolower((unsigned char)*a) == tolower((unsigned char)*b)) ++a, ++b;
  return *a == 0 && *b == 0;
}

int main(int argc, char** argv) {
  void* info;
  int i;
  if (argc < 3 || argc % 2 != 1) {
    fprintf(stderr, "usage: %s ADDRESS EXPECTED-MAC...\n", argv[0]);
    return 2;
  }
  IPInfo_StaticInit(NULL);
  info = IPInfo_Create(NULL, NULL);
  for (i = 1; i + 1 < argc; i += 2) {
    void* params[2];
    int lengths[2] = {0, 0}, code;
    double start = wall_millis(), took;
    params[0] = argv[i];
    params[1] = NULL;
    code = IPInfo_Do(info, kGetMac, 2, params, lengths);
    took = wall_millis() - start;
    CHECK(code == 0 && same_text_ignoring_case((const char*)params[1], argv[i + 1]),
          "GetMAC %s: %s in %.1f ms (want %s)", argv[i],
          code == 0 ? (const char*)params[1] : IPInfo_GetLastError(info), took, argv[i + 1]);
  }
  IPInfo_Destroy(info);
  IPInfo_StaticDestroy();
  return check_result();
}
