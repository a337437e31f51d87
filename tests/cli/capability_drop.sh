#!/usr/bin/env bash
# With the raw-socket capability on the file and an ordinary user running
# it, nothing the user chose may run with that capability: an ALSA plugin
# named in ~/.asoundrc (built here) records what the process may do when
# the success sound loads it. It must find no capability and no way to a
# raw socket, while the probe itself still gets through.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
command -v setcap >/dev/null || skip "setcap is missing"
command -v setpriv >/dev/null || skip "setpriv is missing"
command -v cc >/dev/null || skip "no C compiler for the plugin"

chmod 755 "$work"
tavro="$work/tavro"
cp "$TAVRO_EXE" "$tavro"
setcap cap_net_raw+ep "$tavro" 2>/dev/null || skip "this file system keeps no capabilities"
getcap "$tavro" | grep -q cap_net_raw || skip "the capability did not stick"

seen="$work/seen"
cat >"$work/probe.c" <<C
#include <netinet/in.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

/* Runs as soon as ALSA loads the library. */
__attribute__((constructor)) static void record(void) {
  FILE* out = fopen("$seen", "a");
  FILE* status = fopen("/proc/self/status", "r");
  char line[256];
  if (out == NULL || status == NULL) return;
  while (fgets(line, sizeof line, status) != NULL) {
    if (strncmp(line, "CapPrm", 6) == 0 || strncmp(line, "CapEff", 6) == 0 ||
        strncmp(line, "CapInh", 6) == 0) {
      fputs(line, out);
    }
  }
  int fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  fprintf(out, "raw socket: %s\n", fd >= 0 ? "opened" : "refused");
  if (fd >= 0) close(fd);
  fclose(status);
  fclose(out);
}

/* The PCM type's entry point: there is no device behind it. */
int _snd_pcm_tavroprobe_open(void** pcm, const char* name, void* root, void* conf, int stream,
                             int mode) {
  return -19;
}
char _snd_pcm_tavroprobe_open_dlsym_pcm_001;
C
cc -shared -fPIC -o "$work/libprobe.so" "$work/probe.c" || fail "the plugin did not build"

home="$work/user"
mkdir -p "$home"
cat >"$home/.asoundrc" <<A
pcm_type.tavroprobe { lib "$work/libprobe.so" }
pcm.!default { type tavroprobe }
A
chmod -R a+rX "$work"

# check_run LABEL: one probe with the success sound, as nobody.
check_run() {
  local label=$1 set
  rm -f "$seen"
  touch "$seen"
  chmod 666 "$seen"
  setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$home" \
    XDG_CONFIG_HOME="$home/.config" "$tavro" /p 1 /c 1 127.0.0.1 >"$work/out" 2>"$work/err"
  rc=$?
  out=$(cat "$work/out")
  echo "$label: exit $rc; the plugin saw:"
  sed 's/^/  /' "$seen"
  expect_rc 0 "$label: probe"
  [[ "$out" == *"Reply from 127.0.0.1: bytes=32"* ]] || fail "$label: no reply: $out"
  grep -q . "$seen" || fail "$label: the plugin never ran"
  for set in CapPrm CapEff CapInh; do
    grep -Eq "^$set:[[:space:]]+0+$" "$seen" || fail "$label: $set is not empty"
  done
  grep -q "raw socket: refused" "$seen" || fail "$label: the plugin could open a raw socket"
}

for path in datagram raw; do
  use_icmp_path "$path"
  check_run "$path"
done
# Granted as permitted only, the capability is made effective for the
# socket and then dropped like the other.
setcap cap_net_raw+p "$tavro"
check_run "raw, permitted only"
finish
