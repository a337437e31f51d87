#!/usr/bin/env bash
# With the raw-socket capability on the file and an ordinary user running
# it, nothing the user chose may run with that capability or beside the ICMP
# socket. An ALSA hook plugin named in ~/.asoundrc (built here), loaded when
# the success sound starts, records what its process holds and tries what a
# hostile user would: open a raw socket, and on every descriptor it has and
# every one it can take from its parent, set IP_HDRINCL and send a UDP
# datagram from 198.51.100.77 to 127.0.0.1 and an ICMP redirect. A capture on
# lo (inside this test's own network namespace, which has no route out) must
# see none of it, while the probe is answered and the clip reaches the sound
# device behind the hook. A control run with a raw socket open shows that the
# plugin and the capture would catch the leak.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
command -v setcap >/dev/null || skip "setcap is missing"
command -v setpriv >/dev/null || skip "setpriv is missing"
command -v tcpdump >/dev/null || skip "tcpdump is missing"
command -v cc >/dev/null || skip "no C compiler for the plugin"

chmod 755 "$work"
tavro="$work/tavro"
cp "$TAVRO_EXE" "$tavro"
setcap cap_net_raw+ep "$tavro" 2>/dev/null || skip "this file system keeps no capabilities"
getcap "$tavro" | grep -q cap_net_raw || skip "the capability did not stick"

seen="$work/seen"
cat >"$work/probe.c" <<C
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <netinet/udp.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

static FILE* out;

static unsigned short checksum(const void* data, size_t size) {
  const unsigned char* bytes = data;
  unsigned long sum = 0;
  for (size_t i = 0; i + 1 < size; i += 2) sum += (bytes[i] << 8) | bytes[i + 1];
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return htons((unsigned short)~sum);
}

static struct sockaddr_in loopback(void) {
  struct sockaddr_in to = {.sin_family = AF_INET};
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return to;
}

/* An ICMP redirect (a raw ICMP socket sends any type, without IP_HDRINCL). */
static const char* send_redirect(int fd) {
  unsigned char packet[8 + 28] = {5, 1};
  inet_pton(AF_INET, "198.51.100.77", packet + 4);
  packet[8] = 0x45;
  unsigned short sum = checksum(packet, sizeof packet);
  memcpy(packet + 2, &sum, 2);
  struct sockaddr_in to = loopback();
  return sendto(fd, packet, sizeof packet, MSG_DONTWAIT | MSG_NOSIGNAL, (struct sockaddr*)&to,
                sizeof to) > 0 ? "sent" : "refused";
}

/* A UDP datagram with an IP header of our own: from 198.51.100.77. */
static const char* send_spoofed(int fd) {
  struct {
    struct iphdr ip;
    struct udphdr udp;
    char data[12];
  } packet;
  memset(&packet, 0, sizeof packet);
  packet.ip.version = 4;
  packet.ip.ihl = 5;
  packet.ip.ttl = 64;
  packet.ip.protocol = IPPROTO_UDP;
  packet.ip.tot_len = htons(sizeof packet);
  inet_pton(AF_INET, "198.51.100.77", &packet.ip.saddr);
  packet.ip.daddr = htonl(INADDR_LOOPBACK);
  packet.udp.source = htons(40000);
  packet.udp.dest = htons(40001);
  packet.udp.len = htons(sizeof packet - sizeof packet.ip);
  memcpy(packet.data, "tavro-spoof", 11);
  struct sockaddr_in to = loopback();
  return sendto(fd, &packet, sizeof packet, MSG_DONTWAIT | MSG_NOSIGNAL, (struct sockaddr*)&to,
                sizeof to) > 0 ? "sent" : "refused";
}

static void attack(int fd, const char* whose) {
  int domain = 0, type = 0, protocol = 0, on = 1;
  socklen_t size = sizeof domain;
  if (getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &size) != 0) return;
  size = sizeof type;
  getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size);
  size = sizeof protocol;
  getsockopt(fd, SOL_SOCKET, SO_PROTOCOL, &protocol, &size);
  fprintf(out, "%s descriptor %d: socket domain %d type %d protocol %d", whose, fd, domain, type,
          protocol);
  if (domain != AF_INET) {
    fputs(", no IP socket\n", out);
    return;
  }
  fprintf(out, ", redirect %s", send_redirect(fd));
  int hdrincl = setsockopt(fd, IPPROTO_IP, IP_HDRINCL, &on, sizeof on);
  fprintf(out, ", IP_HDRINCL %s", hdrincl == 0 ? "set" : "refused");
  fprintf(out, ", spoofed datagram %s\n", send_spoofed(fd));
}

/* The parent's descriptors, through pidfd_getfd and through /proc. */
static void attack_parent(void) {
  char path[64];
  int pidfd = (int)syscall(SYS_pidfd_open, getppid(), 0);
  int taken = 0;
  for (int fd = 0; fd < 64; ++fd) {
    int copy = pidfd < 0 ? -1 : (int)syscall(SYS_pidfd_getfd, pidfd, fd, 0);
    if (copy >= 0) {
      ++taken;
      attack(copy, "parent's");
      close(copy);
    }
    snprintf(path, sizeof path, "/proc/%d/fd/%d", (int)getppid(), fd);
    copy = open(path, O_RDWR | O_NONBLOCK);
    if (copy >= 0) {
      ++taken;
      attack(copy, "parent's (/proc)");
      close(copy);
    }
  }
  fprintf(out, "taken from the parent: %d\n", taken);
  if (pidfd >= 0) close(pidfd);
}

/* Runs as soon as ALSA loads the library. */
__attribute__((constructor)) static void record(void) {
  out = fopen("$seen", "a");
  FILE* status = fopen("/proc/self/status", "r");
  char line[256];
  if (out == NULL || status == NULL) return;
  setvbuf(out, NULL, _IOLBF, 0);
  fputs("plugin loaded\n", out);
  while (fgets(line, sizeof line, status) != NULL) {
    if (strncmp(line, "CapPrm", 6) == 0 || strncmp(line, "CapEff", 6) == 0 ||
        strncmp(line, "CapInh", 6) == 0) {
      fputs(line, out);
    }
  }
  fclose(status);
  int fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  fprintf(out, "raw socket: %s\n", fd >= 0 ? "opened" : "refused");
  if (fd >= 0) close(fd);
  for (fd = 0; fd < 1024; ++fd) attack(fd, "own");
  attack_parent();
  fputs("plugin done\n", out);
  fclose(out);
}

/* The hook itself does nothing: the sound goes on to the slave device. */
int tavroprobe_install(void* pcm, void* conf) { return 0; }
char _tavroprobe_install_dlsym_pcm_001;
char __tavroprobe_install_dlsym_pcm_001;
C
cc -shared -fPIC -o "$work/libprobe.so" "$work/probe.c" || fail "the plugin did not build"

# The control: the same plugin in a process that holds a raw ICMP socket.
cat >"$work/control.c" <<'C'
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
int main(int argc, char** argv) {
  int fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  return fd >= 0 && argc == 2 && dlopen(argv[1], RTLD_NOW) != 0 ? 0 : 1;
}
C
cc -o "$work/control" "$work/control.c" -ldl || fail "the control did not build"

home="$work/user"
sink="$work/sink"
mkdir -p "$home" "$sink"
cat >"$home/.asoundrc" <<A
pcm_hook_type.tavroprobe { lib "$work/libprobe.so" install "tavroprobe_install" }
pcm.!default {
  type hooks
  slave.pcm { type file slave.pcm { type null } file "$sink/clip-%r-%c.raw" format raw }
  hooks.0 { type tavroprobe }
}
A
chmod -R a+rX "$work"
chmod 777 "$sink"

# capture COMMAND...: runs the command while tcpdump listens on lo; leaves
# the packets in $work/lo.pcap.
capture() {
  rm -f "$work/lo.pcap" "$work/tcpdump.err"
  # Immediate mode: packets still in a capture block when tcpdump is
  # stopped would otherwise be lost.
  tcpdump -i lo -n -U --immediate-mode -w "$work/lo.pcap" 2>"$work/tcpdump.err" &
  local dump=$! tries
  for tries in $(seq 400); do
    grep -q "listening on" "$work/tcpdump.err" 2>/dev/null && break
    sleep 0.05
  done
  grep -q "listening on" "$work/tcpdump.err" || fail "tcpdump did not start listening"
  "$@"
  sleep 1
  kill -INT "$dump"
  wait "$dump"
}

# packets FILTER: how many captured packets match.
packets() {
  tcpdump -r "$work/lo.pcap" -n "$1" 2>/dev/null | wc -l
}

fresh_record() {
  rm -f "$seen" "$sink"/*
  touch "$seen"
  chmod 666 "$seen"
}

# Three probes a second apart: the sound child, forked at the first, has
# time to load the sound libraries and the plugin however busy the machine
# is (it is ended, clip and all, when the run is over).
run_as_nobody() {
  setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$home" \
    XDG_CONFIG_HOME="$home/.config" "$tavro" /p 1 /c 3 /d 1000 127.0.0.1 >"$work/out" 2>"$work/err"
  rc=$?
}

leaked="src host 198.51.100.77 or icmp[icmptype] == icmp-redirect"

# check_run LABEL: probes with the success sound, as nobody.
check_run() {
  local label=$1 set
  fresh_record
  capture run_as_nobody
  out=$(cat "$work/out")
  echo "$label: exit $rc; the plugin saw:"
  sed 's/^/  /' "$seen"
  expect_rc 0 "$label: probe"
  [[ "$out" == *"Reply from 127.0.0.1: bytes=32"* ]] || fail "$label: no reply: $out"
  grep -q "plugin done" "$seen" || fail "$label: the plugin never ran to its end"
  for set in CapPrm CapEff CapInh; do
    grep -Eq "^$set:[[:space:]]+0+$" "$seen" || fail "$label: $set is not empty"
  done
  grep -q "raw socket: refused" "$seen" || fail "$label: the plugin could open a raw socket"
  grep -q "protocol 1," "$seen" && fail "$label: the plugin found an ICMP socket"
  grep -q " sent" "$seen" && fail "$label: the plugin sent a packet"
  grep -q "taken from the parent: 0" "$seen" || fail "$label: the plugin took a parent's descriptor"
  local wire echo clip
  wire=$(packets "$leaked")
  echo "  on the wire: $wire packet(s) from 198.51.100.77 or redirects"
  [ "$wire" -eq 0 ] || fail "$label: the plugin's packets reached lo"
  echo=$(packets "icmp[icmptype] == icmp-echo")
  [ "$echo" -ge 1 ] || fail "$label: the capture saw not even the probe ($echo)"
  clip=$(cat "$sink"/clip-* 2>/dev/null | wc -c)
  echo "  the sound device got $clip bytes of the clip"
  [ "$clip" -gt 0 ] || fail "$label: the clip did not reach the sound device"
}

fresh_record
capture "$work/control" "$work/libprobe.so"
control=$(packets "$leaked")
echo "control (plugin beside a raw socket): $control packet(s) on the wire"
sed 's/^/  /' "$seen"
[ "$control" -ge 2 ] || fail "control: the plugin's packets would go unseen"

for path in datagram raw; do
  use_icmp_path "$path"
  check_run "$path"
done
# Granted as permitted only, the capability is made effective for the
# socket and then dropped like the other.
setcap cap_net_raw+p "$tavro"
check_run "raw, permitted only"
finish
