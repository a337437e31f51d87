/* Results of a lookup by address, queued as an application would queue it.
   Usage: reverse_lookup ADDRESS [WANT-STATUS]. With a status of 0 (the
   default) the lookup must succeed and HostAliases must not repeat HostName;
   with another status (11002 where the DNS server never answers) the lookup
   must end with it, and so must a lookup by name. */
#include <stdlib.h>

#include "flat_check.h"

enum { kDoEvents = 5, kHostAddress = 27, kHostAliases = 28, kHostName = 29 };
enum { kEventRequestComplete = 2 };

static int status = -1;

static int VELMORA_CALL on_event(void* context, int id, int count, void* params[], int lengths[]) {
  (void)context;
  (void)lengths;
  if (id == kEventRequestComplete && count >= 2) status = (int)(intptr_t)params[1];
  return 0;
}

static int wait_for_answer(void* info) {
  double start = wall_millis();
  status = -1;
  while (status < 0 && wall_millis() - start < 30000) IPInfo_Do(info, kDoEvents, 0, NULL, NULL);
  return status;
}

/* True when the space-separated `list` holds `word`. */
static int lists(const char* list, const char* word) {
  size_t n = strlen(word);
  const char* at = list;
  while ((at = strstr(at, word)) != NULL) {
    if ((at == list || at[-1] == ' ') && (at[n] == 0 || at[n] == ' ')) return 1;
    at += n;
  }
  return 0;
}

int main(int argc, char** argv) {
  void* info;
  int want, got;
  if (argc < 2) {
    fprintf(stderr, "usage: %s ADDRESS [WANT-STATUS]\n", argv[0]);
    return 2;
  }
  want = argc > 2 ? atoi(argv[2]) : 0;
  IPInfo_StaticInit(NULL);
  info = IPInfo_Create(on_event, NULL);
  IPInfo_Set(info, kHostAddress, 0, argv[1], 0);
  got = wait_for_answer(info);
  CHECK(got == want, "the lookup of %s ended with %d (want %d)", argv[1], got, want);
  if (want == 0) {
    const char* name = (const char*)IPInfo_Get(info, kHostName, 0, NULL);
    const char* aliases = (const char*)IPInfo_Get(info, kHostAliases, 0, NULL);
    CHECK(*name && !lists(aliases, name), "HostName \"%s\", HostAliases \"%s\" without it", name,
          aliases);
  } else {
    IPInfo_Set(info, kHostName, 0, "echo.world.test", 0);
    got = wait_for_answer(info);
    CHECK(got == want, "a lookup by name ends with the same %d", got);
  }
  IPInfo_Destroy(info);
  IPInfo_StaticDestroy();
  return check_result();
}
