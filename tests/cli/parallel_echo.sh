#!/usr/bin/env bash
# Two runs of the program and an iputils ping probe 127.0.0.1 at the same
# time; each must count only its own replies. Different payload sizes show
# any reply that went to the wrong prober.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
command -v ping >/dev/null || skip "iputils ping is missing"

# $1 output file, $2 payload size, $3 what precedes each line feed
check_own_replies() {
  local file=$1 size=$2 e=$3 label=$4 seq pattern text count
  text=$(cat "$file")
  for seq in 0 1 2 3 4 5 6 7 8 9; do
    pattern="Reply from 127\\.0\\.0\\.1: bytes=$size time=[0-9]+ms ttl=64 seq=$seq$e"$'(\n|$)'
    [[ "$text" =~ $pattern ]] || fail "$label: no reply seq=$seq"
  done
  count=$(grep -c "^Reply from" "$file")
  [ "$count" -eq 10 ] || fail "$label: $count reply lines, expected 10"
  [[ "$text" == *"Rate: 100%"* ]] || fail "$label: rate not 100%"
}

run_parallel() {
  local runner_exe=$1 label=$2
  $runner_exe /c 10 /s 32 127.0.0.1 >"$work/a" 2>&1 &
  local a=$!
  $runner_exe /c 10 /s 48 127.0.0.1 >"$work/b" 2>&1 &
  local b=$!
  ping -c 10 -i 0.15 -s 56 127.0.0.1 >"$work/p" 2>&1 &
  local p=$!
  wait_for $a 60 || fail "$label: first run exit code $?"
  wait_for $b 60 || fail "$label: second run exit code $?"
  wait_for $p 60 || fail "$label: ping exit code $?"
  local e=$'\r'
  check_own_replies "$work/a" 32 "$e" "$label first run"
  check_own_replies "$work/b" 48 "$e" "$label second run"
  grep -q "10 packets transmitted, 10 received" "$work/p" || fail "$label: ping lost replies"
  [ "$(grep -c 'bytes from' "$work/p")" -eq 10 ] || fail "$label: ping counted foreign replies"
}

for path in datagram raw; do
  use_icmp_path $path
  run_parallel "$TAVRO_EXE" "native $path"
done

win_tavro() { bounded "$wine_exec" "$TAVRO_WIN_EXE" "$@"; }
if windows_available; then
  run_parallel win_tavro windows
else
  echo "note: no Windows build given, Wine half skipped" >&2
fi
finish
