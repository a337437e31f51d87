/* A text returned by Get stays valid until a call that changes it: each text
   property and each text result of a method has its own buffer, narrow and
   wide, in IPInfo and IPPort. With a host name as argument (one with two
   addresses, in the test world) HostAddress and OtherAddresses are read
   side by side too. */
#include <stdlib.h>

#include "flat_check.h"

#define WIDE 10000

enum {
  kVersionTag = 0,
  kAdapterIndex = 8,
  kHostAddress = 27,
  kHostName = 29,
  kLocalHost = 30,
  kNodeType = 31,
  kOtherAddresses = 32
};
static const int kAdapterTexts[] = {2, 5, 6, 7, 9, 10, 13, 14, 15, 18, 19};
#define ADAPTER_TEXTS (int)(sizeof kAdapterTexts / sizeof kAdapterTexts[0])

static size_t wide_length(const uint16_t* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

static uint16_t* wide_copy(const void* text) {
  size_t n = wide_length((const uint16_t*)text);
  uint16_t* copy = (uint16_t*)malloc((n + 1) * sizeof *copy);
  memcpy(copy, text, (n + 1) * sizeof *copy);
  return copy;
}

static int wide_same(const void* a, const uint16_t* b) {
  size_t n = wide_length(b);
  return wide_length((const uint16_t*)a) == n && memcmp(a, b, n * sizeof *b) == 0;
}

/* Reads every adapter text, then checks that none of the earlier pointers
   changed under a later Get. */
static void adapter_texts(void* info, int offset) {
  const void* seen[ADAPTER_TEXTS];
  void* copies[ADAPTER_TEXTS];
  int i, kept = 1;
  for (i = 0; i < ADAPTER_TEXTS; ++i) {
    seen[i] = IPInfo_Get(info, kAdapterTexts[i] + offset, 0, NULL);
    copies[i] = offset ? (void*)wide_copy(seen[i]) : (void*)strdup((const char*)seen[i]);
  }
  for (i = 0; i < 2 * ADAPTER_TEXTS; ++i) {
    int k = i % ADAPTER_TEXTS;
    /* The second round reads each property again first: an unchanged text
       must not move either. */
    if (i >= ADAPTER_TEXTS) IPInfo_Get(info, kAdapterTexts[k] + offset, 0, NULL);
    kept &= offset ? wide_same(seen[k], (uint16_t*)copies[k])
                   : strcmp((const char*)seen[k], (char*)copies[k]) == 0;
  }
  for (i = 0; i < ADAPTER_TEXTS; ++i) free(copies[i]);
  CHECK(kept, "%s: %d adapter texts read one after another all keep their values",
        offset ? "wide" : "narrow", ADAPTER_TEXTS);
}

static void version_tag_survives(void* info) {
  const char* tag = (const char*)IPInfo_Get(info, kVersionTag, 0, NULL);
  char* copy = strdup(tag);
  /* Wide ids lie above 10000, so VersionTag (0) has none; LocalHost has. */
  const void* wide = IPInfo_Get(info, kLocalHost + WIDE, 0, NULL);
  uint16_t* wideCopy = wide ? wide_copy(wide) : NULL;
  IPInfo_Get(info, kLocalHost, 0, NULL);
  IPInfo_Get(info, kNodeType + WIDE, 0, NULL);
  CHECK(strcmp(tag, copy) == 0, "VersionTag is still \"%s\" after a Get of LocalHost", copy);
  CHECK(wide && wide_same(wide, wideCopy), "the wide LocalHost is unchanged after a wide NodeType");
  free(copy);
  free(wideCopy);
}

static void* do_text(void* info, int method, const char* argument) {
  void* params[2];
  int lengths[2] = {0, 0};
  params[0] = (void*)argument;
  params[1] = NULL;
  IPInfo_Do(info, method, 2, params, lengths);
  return params[1];
}

static void method_results(void* info) {
  const char* address = (const char*)do_text(info, 9, "localhost"); /* ResolveName */
  const char* answer = ipinfo_config(info, "BlockingResolve");
  const char* name = (const char*)do_text(info, 8, "127.0.0.1"); /* ResolveAddress */
  CHECK(text_is(address, "127.0.0.1"), "ResolveName's result is still \"%s\"",
        address ? address : "(null)");
  CHECK(text_is(answer, "True"), "Config's result is still \"%s\"", answer ? answer : "(null)");
  CHECK(name != NULL && *name != 0, "ResolveAddress answered \"%s\"", name ? name : "(null)");
}

static void two_addresses(void* info, const char* host) {
  const char *first, *others;
  IPInfo_Set(info, kHostName, 0, host, 0);
  first = (const char*)IPInfo_Get(info, kHostAddress, 0, NULL);
  others = (const char*)IPInfo_Get(info, kOtherAddresses, 0, NULL);
  printf("      %s: HostAddress %s, OtherAddresses %s\n", host, first, others);
  CHECK(*first && *others && strcmp(first, others) != 0,
        "HostAddress and OtherAddresses read together are two different texts");
}

static void ipport_texts(void) {
  void* port = IPPort_Create(NULL, NULL);
  const char *user, *password;
  IPPort_Set(port, 11, 0, "user-a", 0);  /* FirewallUser */
  IPPort_Set(port, 9, 0, "secret-b", 0); /* FirewallPassword */
  user = (const char*)IPPort_Get(port, 11, 0, NULL);
  password = (const char*)IPPort_Get(port, 9, 0, NULL);
  IPPort_Get(port, 11, 0, NULL);
  IPPort_Get(port, 14, 0, NULL); /* LocalHost */
  CHECK(text_is(user, "user-a") && text_is(password, "secret-b"),
        "IPPort: FirewallUser and FirewallPassword keep their own texts");
  IPPort_Destroy(port);
}

int main(int argc, char** argv) {
  void* info;
  IPInfo_StaticInit(NULL);
  IPPort_StaticInit(NULL);
  info = IPInfo_Create(NULL, NULL);
  if (info == NULL) return 2;
  ipinfo_config(info, "BlockingResolve=True");
  version_tag_survives(info);
  IPInfo_Set(info, kAdapterIndex, 0, (void*)0, 0);
  adapter_texts(info, 0);
  adapter_texts(info, WIDE);
  method_results(info);
  if (argc > 1) two_addresses(info, argv[1]);
  ipport_texts();
  IPInfo_Destroy(info);
  IPPort_StaticDestroy();
  IPInfo_StaticDestroy();
  return check_result();
}
