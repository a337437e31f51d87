#!/usr/bin/env bash
# Start-up with a settings file of 1 MiB (the most that is read) of
# distinct value names, and with one of 2 MiB (refused unread), beside the
# same run without one: reading the file must cost what its size says,
# once per run, and refusing must cost nothing.
#   bench/defaults_load.sh TAVRO RUNS
# Prints tab-separated rows (measurement, value, note) for bench/run. Probes
# 127.0.0.1 only; bench/run calls it inside its private network namespace.
set -euo pipefail
tavro=$1
runs=${2:-5}
work=$(mktemp -d /tmp/tavro-defaults-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Distinct names up to the size, and one real default at the very end,
# which the run must still find: a size of 16 bytes.
make_settings() {
  mkdir -p -m 0700 "$work/$1/tavro"
  python3 - "$work/$1/tavro/settings" "$2" <<'PY'
import sys
limit = int(sys.argv[2])
head = '[HKEY_CURRENT_USER\\Software\\velmorasoft\\toolvane\\tavro]\n'
last = '"packet_size"=dword:00000010\n'
with open(sys.argv[1], "w") as out:
    out.write(head)
    size, i = len(head) + len(last), 0
    while True:
        line = '"stored_value_%08d"=dword:%08x\n' % (i, i)
        if size + len(line) > limit:
            break
        out.write(line)
        size += len(line)
        i += 1
    out.write(last)
PY
}
mkdir -p "$work/empty"
make_settings large $((1024 * 1024))
make_settings huge $((2 * 1024 * 1024))
values=$(($(wc -l <"$work/large/tavro/settings") - 1))

# The size of the probes shows whether the file was used.
[ "$(XDG_CONFIG_HOME=$work/large "$tavro" /c 1 127.0.0.1 | grep -c 'bytes=16 ')" == 1 ] ||
  { echo "the 1 MiB file was not read" >&2; exit 1; }
[ "$(XDG_CONFIG_HOME=$work/huge "$tavro" /c 1 127.0.0.1 | grep -c 'bytes=32 ')" == 1 ] ||
  { echo "the 2 MiB file was not refused" >&2; exit 1; }

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
refused=$(run_ms "$work/huge")
printf '%s\t%s\t%s\n' "tavro /c 1 127.0.0.1, no stored defaults" "$without ms" "wall"
printf '%s\t%s\t%s\n' "the same, 1 MiB settings file" "$with ms" \
  "wall, $values distinct names; target at most 50 ms"
printf '%s\t%s\t%s\n' "the same, 2 MiB settings file (refused)" "$refused ms" \
  "wall, $((refused - without)) ms over none; target at most 10 ms"
