#!/usr/bin/env bash
# Sound alerts from the command line. The clips reach the sound device (a file
# sink in a private ALSA configuration records them), a missing device changes
# nothing on the console, in the exit code or in the run time, and the Windows
# build behaves the same under Wine. Only loopback and a namespace of the
# test's own are probed.
set -uo pipefail

[ -n "${TAVRO_EXE:-}" ] && [ -x "$TAVRO_EXE" ] || { echo "SKIP: TAVRO_EXE is not set" >&2; exit 77; }
: "${TAVRO_WIN_EXE:=}"

work=$(mktemp -d /tmp/tavro-sound-cli-XXXXXX)
wine_prefix=""
cleanup() {
  if [ -n "$wine_prefix" ]; then
    WINEPREFIX="$wine_prefix" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$wine_prefix" wineserver -w >/dev/null 2>&1
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
wine_exec="$(dirname "$0")/../wine.sh"

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok    $*"; }
fail() { failed=$((failed + 1)); echo "FAIL  $*"; }
expect() {  # name condition-command...
  local name=$1
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}

# "default" records each clip to capture-<rate>-<channels>.raw (16-bit
# samples; a further clip of the same format gets a numbered file beside it)
# and discards the sound; "missing" names a card that does not exist.
mkdir -p "$work/capture"
cat >"$work/device.conf" <<CONF
pcm.!default { type file slave.pcm { type null } file "$work/capture/capture-%r-%c.raw" format raw truncate false }
CONF
echo 'pcm.!default { type hw card 31 device 0 }' >"$work/missing.conf"

# The unreachable target: a veth pair inside a private namespace with a
# fixed neighbour entry, so echo requests leave 10.255.0.1 and nobody answers.
cat >"$work/isolated" <<'SH'
#!/usr/bin/env bash
exec unshare -n bash -c '
  ip link set lo up &&
  ip link add v0 type veth peer name v1 && ip link set v1 up && ip link set v0 up &&
  ip addr add 10.255.0.1/24 dev v0 &&
  ip neigh replace 10.255.0.2 lladdr 02:00:00:00:00:02 dev v0 nud permanent &&
  exec "$@"' isolated "$@"
SH
chmod +x "$work/isolated"
isolated="$work/isolated"
can_isolate=true
[ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null || can_isolate=false

# run <label> <alsa-config> <command...>: output in $work/<label>.{out,err},
# exit code in $rc, run time in $ms.
run() {
  local label=$1 conf=$2 start
  shift 2
  start=$(date +%s%N)
  ALSA_CONFIG_PATH="$conf" timeout 60 "$@" >"$work/$label.out" 2>"$work/$label.err"
  rc=$?
  ms=$((($(date +%s%N) - start) / 1000000))
}

normalised() { sed -E 's/[0-9]+ms/Nms/g; s/: [0-9]+ ms/: N ms/g' "$work/$1.out"; }
same_output() { cmp -s <(normalised "$1") <(normalised "$2"); }
empty() { [ ! -s "$work/$1" ]; }
replies() { [ "$(grep -c '^Reply from 127\.0\.0\.1' "$work/$1.out")" -eq "$2" ]; }
verdict_down() { [ "$(cat "$work/$1.out")" = "$(printf 'Host 10.255.0.2 is down.\r\n')" ]; }
clips() { find "$work/capture" -name "capture-$1.raw*" | wc -l; }
bytes() { cat "$work"/capture/capture-"$1".raw* 2>/dev/null | wc -c; }
largest() { find "$work/capture" -name "capture-$1.raw*" -printf '%s\n' | sort -n | tail -1; }
only_format() { [ -z "$(find "$work/capture" -type f ! -name "capture-$1.raw*")" ]; }
# The clips play in a child process of the run's own: once the run is over
# no process of the executable may be left (the child is reaped, not
# orphaned).
none_left() {
  local exe proc
  exe=$(readlink -f "$TAVRO_EXE")
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/exe" 2>/dev/null)" = "$exe" ] && return 1
  done
  return 0
}
within() { [ "$ms" -lt "$1" ]; }
between() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }

# Verbose, two answered probes with /p 2: the 203 ms chime (4475 frames of
# 16-bit mono at 22050 Hz) starts for each, and a later one may cut off the
# earlier, so the device gets at most two whole clips.
run up-sound "$work/device.conf" "$TAVRO_EXE" /p 2 /c 2 127.0.0.1
expect "native /p 2: exit 0" [ "$rc" -eq 0 ]
expect "native /p 2: two replies" replies up-sound 2
expect "native /p 2: nothing on stderr" empty up-sound.err
chimes=$(clips 22050-1)
expect "native /p 2: one or two chimes reached the device ($chimes)" between "$chimes" 1 2
expect "native /p 2: the chimes hold sound" between "$(bytes 22050-1)" 2 $((2 * 4475 * 2))
expect "native /p 2: no chime longer than the clip" [ "$(largest 22050-1)" -le $((4475 * 2)) ]
expect "native /p 2: no other clip played" only_format 22050-1
expect "native /p 2: no sound process left behind" none_left

run up-silent "$work/missing.conf" "$TAVRO_EXE" /p 2 /c 2 127.0.0.1
expect "native /p 2 without a device: exit 0" [ "$rc" -eq 0 ]
expect "native /p 2 without a device: same output" same_output up-silent up-sound
expect "native /p 2 without a device: nothing on stderr" empty up-silent.err
expect "native /p 2 without a device: no delay (${ms} ms)" within 2000
expect "native /p 2 without a device: no sound process left behind" none_left

if $can_isolate; then
  rm -f "$work"/capture/*
  # Four probes of 1.5 s each, then the buzz once, then the 200 ms pause.
  run down-sound "$work/device.conf" "$isolated" "$TAVRO_EXE" /b /f 4 10.255.0.2
  expect "native /b /f 4 unreachable: exit 3" [ "$rc" -eq 3 ]
  expect "native /b /f 4 unreachable: down verdict only" verdict_down down-sound
  expect "native /b /f 4 unreachable: nothing on stderr" empty down-sound.err
  expect "native /b /f 4 unreachable: the buzz played once" [ "$(clips 11025-2)" -eq 1 ]
  expect "native /b /f 4 unreachable: the buzz played whole" \
    [ "$(bytes 11025-2)" -eq $((1805 * 2 * 2)) ]
  expect "native /b /f 4 unreachable: no other clip played" only_format 11025-2
  expect "native /b /f 4 unreachable: run time (${ms} ms)" within 9000

  run down-silent "$work/missing.conf" "$isolated" "$TAVRO_EXE" /b /c 1 /f 4 10.255.0.2
  expect "native /b /f 4 without a device: exit 3" [ "$rc" -eq 3 ]
  expect "native /b /f 4 without a device: down verdict only" verdict_down down-silent
  expect "native /b /f 4 without a device: nothing on stderr" empty down-silent.err
  expect "native /b /f 4 without a device: run time (${ms} ms)" within 3000
else
  echo "note: no root or no namespaces: the unreachable-target cases are left out" >&2
fi

wine_cases() {
  wine_prefix="$work/wine"
  # No network while the prefix is made: wineboot has no business there.
  WINEPREFIX="$wine_prefix" WINEDEBUG=-all unshare -n "$wine_exec" wineboot -i >/dev/null 2>&1 ||
    WINEPREFIX="$wine_prefix" WINEDEBUG=-all "$wine_exec" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$wine_prefix" wineserver -w
  local wine=(env WINEPREFIX="$wine_prefix" WINEDEBUG=-all "$wine_exec" "$TAVRO_WIN_EXE")
  # Without any audio driver Wine has no sound device at all.
  local deaf=(env WINEDLLOVERRIDES="winealsa.drv,winepulse.drv,wineoss.drv=d" "${wine[@]}")
  rm -f "$work"/capture/*
  run wine-up "$work/device.conf" "${wine[@]}" /p 2 /c 2 127.0.0.1
  expect "wine /p 2: exit 0" [ "$rc" -eq 0 ]
  # Wine may hand the device the clip's own format or its mixer's.
  expect "wine /p 2: sound reached the device" [ "$(cat "$work"/capture/* 2>/dev/null | wc -c)" -gt 0 ]
  expect "wine /p 2: same output as native" same_output wine-up up-sound
  expect "wine /p 2: nothing on stderr" empty wine-up.err

  run wine-up-deaf "$work/missing.conf" "${deaf[@]}" /p 2 /c 2 127.0.0.1
  expect "wine /p 2 without a device: exit 0" [ "$rc" -eq 0 ]
  expect "wine /p 2 without a device: same output as native" same_output wine-up-deaf up-sound
  expect "wine /p 2 without a device: nothing on stderr" empty wine-up-deaf.err
  expect "wine /p 2 without a device: run time (${ms} ms)" within 10000

  if $can_isolate; then
    run wine-down "$work/device.conf" "$isolated" "${wine[@]}" /b /c 1 /f 4 10.255.0.2
    expect "wine /b /f 4 unreachable: exit 3" [ "$rc" -eq 3 ]
    expect "wine /b /f 4 unreachable: down verdict only" verdict_down wine-down
    expect "wine /b /f 4 unreachable: nothing on stderr" empty wine-down.err
  fi
}

if [ -z "$TAVRO_WIN_EXE" ]; then
  echo "note: TAVRO_WIN_EXE is empty: the Wine half is left out" >&2
elif ! command -v wine >/dev/null; then
  echo "note: wine is not installed: the Wine half is left out" >&2
elif [ ! -f "$TAVRO_WIN_EXE" ]; then
  fail "TAVRO_WIN_EXE $TAVRO_WIN_EXE does not exist"
else
  wine_cases
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
