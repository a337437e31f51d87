#!/usr/bin/env bash
# IPInfo's request queue against the test world's DNS server (not a test):
#   1. the latency of one queued lookup,
#   2. 96 lookups queued at once,
#   3. 96 getaddrinfo calls one after the other,
#   4. 96 bare queries written at once (bench/dns_blast.py), the floor,
# each the median of RUNS runs, side by side, twice: against the server as
# the world has it (well under a millisecond away, so each lookup's own
# processing dominates) and behind bench/slow_dns.py, which holds every
# answer back for DELAY_MS as a resolver that far away would. Everything
# runs in a world built for the purpose, so nothing leaves this machine.
# Usage: bench/resolve_queue.sh [RUNS [DELAY_MS]]   (defaults 5, 10)
# Release build in build/bench, see bench/lib.sh.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
runs=${1:-5}
delay=${2:-10}
bench_build_targets resolve_queue_client
client=$bench_build/bench/resolve_queue_client
work=$(mktemp -d /tmp/tavro-resolve-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Runs in the world's client namespace with its TW_* variables.
cat >"$work/run.sh" <<SCRIPT
set -eu
names="\$TW_NAME_ECHO \$TW_NAME_MULTI"
micros() { sed -n 's/^\([0-9]*\) us, \([0-9]*\) of \2 answered$/\1/p'; }
median() { sort -n | awk '{a[NR] = \$1} END {print NR ? a[int((NR + 1) / 2)] : "failed"}'; }
measure() {
  local setting=\$1 i single queued sequential
  "$client" single "\$TW_NAME_ECHO" >/dev/null  # warms the server's cache
  single=\$(for i in \$(seq $runs); do "$client" single "\$TW_NAME_ECHO" | micros; done | median)
  queued=\$(for i in \$(seq $runs); do "$client" queued 96 \$names | micros; done | median)
  sequential=\$(for i in \$(seq $runs); do "$client" sequential 96 "\$TW_NAME_ECHO" | micros; done | median)
  floor=\$(python3 "$bench_root/bench/dns_blast.py" "\$2" "\$TW_NAME_ECHO" 96 $runs)
  printf '%s\t%s\t%s\t%s\t%s\n' "\$setting" "\$single" "\$queued" "\$sequential" "\$floor"
}
measure "DNS server as built" "\$TW_DNS"
# The slow server listens on an extra address of the DNS host; the client's
# resolver (c-ares and getaddrinfo alike read this file) is pointed at it.
ip netns exec "\$TW_NS_DNS" ip addr add 10.97.4.5/24 dev eth0
ip netns exec "\$TW_NS_DNS" python3 "$bench_root/bench/slow_dns.py" 10.97.4.5 "\$TW_DNS" $delay &
slow=\$!
sleep 0.5
printf 'nameserver 10.97.4.5\noptions timeout:2 attempts:1\n' >"/etc/netns/\$TW_NS_CLIENT/resolv.conf"
measure "DNS server ${delay} ms away" 10.97.4.5
kill \$slow
SCRIPT

echo "96 lookups: queued through IPInfo against 96 getaddrinfo calls in a row (median of $runs, µs)"
echo "(raw 96: bare queries written at once on one socket, no resolver at all: the floor)"
printf '%-26s %8s %10s %8s %14s %8s %8s\n' setting single "queued 96" "÷single" "sequential 96" \
  "÷queued" "raw 96"
"$bench_root/scripts/testworld" run -- bash "$work/run.sh" |
  while IFS=$'\t' read -r setting single queued sequential floor; do
    awk -v s="$setting" -v a="$single" -v q="$queued" -v z="$sequential" -v f="$floor" 'BEGIN {
      printf "%-26s %8d %10d %8.1f %14d %8.1f %8d\n", s, a, q, q / a, z, z / q, f }'
  done
