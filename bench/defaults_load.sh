#!/usr/bin/env bash
# Start-up with a stored-defaults file of 16 MiB (the most the hive reads)
# of distinct value names, beside the same run without one: reading the
# file must cost what its size says, once per run.
#   bench/defaults_load.sh TAVRO RUNS
# Prints tab-separated rows (measurement, value, note) for bench/run. Probes
# 127.0.0.1 only; bench/run calls it inside its private network namespace.
set -euo pipefail
tavro=$1
runs=${2:-5}
work=$(mktemp -d /tmp/tavro-defaults-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

key="tavro/registry/HKEY_CURRENT_USER/Software/velmorasoft/toolvane/tavro"
mkdir -p "$work/empty" "$work/large/$key"
# Distinct names up to 16 MiB, and one real default at the very end, which
# the run must still find: a delay of 0 between probes.
python3 - "$work/large/$key/.values.reg" <<'PY'
import sys
limit = 16 * 1024 * 1024
last = '"packet_delay"=dword:00000000\n'
with open(sys.argv[1], "w") as out:
    size, i = len(last), 0
    while True:
        line = '"stored_value_%08d"=dword:%08x\n' % (i, i)
        if size + len(line) > limit:
            break
        out.write(line)
        size += len(line)
        i += 1
    out.write(last)
PY
values=$(wc -l <"$work/large/$key/.values.reg")

median() { sort -g | awk '{a[NR] = $1} END {if (NR) print a[int((NR + 1) / 2)]; else print "-"}'; }
# Median wall time in ms of `tavro /c 1 127.0.0.1` with the given config home.
run_ms() {
  local i start
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    XDG_CONFIG_HOME=$1 "$tavro" /c 1 127.0.0.1 >/dev/null 2>&1 || true
    echo $((($(date +%s%N) - start) / 1000000))
  done | median
}

without=$(run_ms "$work/empty")
with=$(run_ms "$work/large")
printf '%s\t%s\t%s\n' "tavro /c 1 127.0.0.1, no stored defaults" "$without ms" "wall"
printf '%s\t%s\t%s\n' "the same, 16 MiB values file" "$with ms" \
  "wall, $values distinct names; target under 100 ms"
