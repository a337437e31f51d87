#!/usr/bin/env bash
# Compares the cadence of ten echo probes of 127.0.0.1 by tavro, iputils
# ping and fping at the same 150 ms spacing, and the start-up cost of
# printing the version. Prints median wall times side by side, and the
# shortest of 100 pauses of tavro as strace sees them. Runs in a
# private network namespace (loopback only); a benchmark, not a test.
#   bench/icmp_cadence.sh [path/to/tavro] [runs]
set -euo pipefail

tavro=${1:-$(dirname "$0")/../build/native/tavro}
runs=${2:-5}
[ -x "$tavro" ] || { echo "no executable at $tavro (give its path)" >&2; exit 1; }
tavro=$(realpath "$tavro")

if [ -z "${TAVRO_BENCH_NAMESPACE:-}" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "needs root for a private network namespace" >&2; exit 1; }
  TAVRO_BENCH_NAMESPACE=1 exec unshare --net -- bash "$0" "$tavro" "$runs"
fi
ip link set lo up
sysctl -qw net.ipv4.ping_group_range="0 2147483647"

# Median wall time in milliseconds of `runs` runs of the command.
median_ms() {
  local times=() i start end
  for ((i = 0; i < runs; i++)); do
    # Bash's own clock: a date process would add its start-up to each time.
    start=${EPOCHREALTIME/./}
    "$@" >/dev/null 2>&1 || true
    end=${EPOCHREALTIME/./}
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'
}

row() {
  printf '%-44s %8s ms\n' "$1" "$(median_ms "${@:2}")"
}

echo "median of $runs runs, 10 probes of 127.0.0.1 each 150 ms apart"
row "tavro /c 10 127.0.0.1" "$tavro" /c 10 127.0.0.1
command -v ping >/dev/null && row "ping -c 10 -i 0.15 127.0.0.1" ping -c 10 -i 0.15 127.0.0.1
command -v fping >/dev/null && row "fping -c 10 -p 150 127.0.0.1" fping -q -c 10 -p 150 127.0.0.1
if command -v strace >/dev/null; then
  IFS=$'\t' read -r pauses shortest middle longest < <(
    python3 "$(dirname "$0")/pause_lengths.py" "$tavro" /c 101 /d 150 127.0.0.1)
  printf '%-44s %8s ms (median %s, longest %s)\n' "tavro /d 150: shortest of $pauses pauses" \
    "$shortest" "$middle" "$longest"
fi
echo
echo "start-up: print the version and exit"
row "tavro /version" "$tavro" /version
command -v ping >/dev/null && row "ping -V" ping -V
exit 0
