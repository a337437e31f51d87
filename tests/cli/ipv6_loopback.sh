#!/usr/bin/env bash
# IPv6 on loopback: "::1", "[::1]" and the name ip6-localhost (only an IPv6
# address in the hosts file) are echo targets, through both kinds of ICMP
# socket; "[::1]:port" is a TCP target, natively and under Wine, with the
# same bytes; a bracketed name is an unknown host.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"

printf '127.0.0.1\tlocalhost\n::1\tip6-localhost ip6-loopback\n' >"$work/hosts"
mount --bind "$work/hosts" /etc/hosts

# The whole report of one probe of ::1 shown as $1; no ttl field.
echo_pattern() {
  pattern="^"$'\n'"Binging $1"$'\n\n'
  pattern+="Reply from ::1: bytes=32 time=[0-9]+ms seq=0"$'\r\n'
  pattern+=$'\n'"Roundtrip Summary:"$'\r\n'
  pattern+="Average: [0-9]+ ms, Minimum: [0-9]+ ms, Maximum: [0-9]+ ms, Rate: 100%"$'\r\n$'
}

for path in datagram raw; do
  use_icmp_path $path
  for target in ::1 "[::1]" 0:0:0:0:0:0:0:1; do
    run_native /c 1 "$target"
    expect_rc 0 "native $path $target"
    echo_pattern '::1'
    expect_out_matches "$pattern" "native $path $target"
  done
  run_native /c 1 ip6-localhost
  expect_rc 0 "native $path ip6-localhost"
  echo_pattern 'ip6-localhost \[::1\]'
  expect_out_matches "$pattern" "native $path ip6-localhost"
  run_native /b ::1
  expect_rc 0 "native $path brief"
  expect_out "Host ::1 is up."$'\r\n' "native $path brief"
done

# TCP: the listener's port is open, the same port after it is gone closed.
listen6() {
  socat -T 30 TCP6-LISTEN:0,bind=[::1],reuseaddr,fork - </dev/null >/dev/null 2>&1 &
  listener=$!
  local tries
  port=""
  for tries in $(seq 50); do
    port="$(ss -Hltnp 2>/dev/null | grep "pid=$listener," | sed -E 's/.*\]:([0-9]+).*/\1/' | head -1)"
    [ -n "$port" ] && break
    sleep 0.1
  done
}
listen6
[ -n "$port" ] || fail "no IPv6 loopback listener"
open_want=$'\n'"Binging ::1"$'\n\n'"TCP Port $port is open"$'\r\n'
check_tcp() {
  local runner=$1 label=$2
  $runner /c 1 "[::1]:$port"
  expect_rc 0 "$label open port"
  expect_out_matches "^$open_want"$'\nRoundtrip Summary:\r\nAverage: [0-9]+ ms, Minimum: [0-9]+ ms, Maximum: [0-9]+ ms, Rate: 100%\r\n$' "$label open port"
  $runner /c 1 "[loopback]:$port"
  expect_rc 1 "$label bracketed name"
  expect_out_matches $'^Error: [^\n]+\r\n$' "$label bracketed name"
}
check_tcp run_native native
run_native /c 1 "[::1]:$port"
native_open=$out
if windows_available; then
  check_tcp run_windows windows
  run_windows /c 1 "[::1]:$port"
  windows_open=$out
  # Only the time in the summary may differ.
  strip_times() { sed -E 's/[0-9]+ ms/N ms/g' <<<"$1"; }
  [ "$(strip_times "$native_open")" == "$(strip_times "$windows_open")" ] ||
    fail "windows: the open-port report differs from the native bytes"
fi
kill "$listener" 2>/dev/null
wait "$listener" 2>/dev/null
run_native /c 1 "[::1]:$port"
expect_rc 3 "native closed port"
expect_out $'\n'"Binging ::1"$'\n\n'"[10061] Connection refused"$'\r\n\nRoundtrip Summary:\r\nAverage: 0 ms, Minimum: 0 ms, Maximum: 0 ms, Rate: 0%\r\n' "native closed port"
finish
