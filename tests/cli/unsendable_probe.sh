#!/usr/bin/env bash
# When not even the first probe can be sent, the run reports why and ends
# with exit code 1 instead of calling the target down: an address the echo
# call refuses, and a user who may open no ICMP socket at all.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"

invalid="Error: Invalid IP address specified, or remote host resolves to an invalid address"

check_refused_address() {
  local runner=$1 label=$2
  $runner 255.255.255.255
  expect_rc 1 "$label verbose"
  expect_out $'\nBinging 255.255.255.255\n\n'"$invalid"$'\r\n' "$label verbose"
  $runner /b 255.255.255.255
  expect_rc 1 "$label brief"
  expect_out "$invalid"$'\r\n' "$label brief"
}

check_refused_address run_native "native"

# Neither kind of ICMP socket is open to an ordinary user here.
use_icmp_path raw
chmod o+rx "$work"
setpriv --reuid=65534 --regid=65534 --clear-groups "$TAVRO_EXE" /b 127.0.0.1 >"$work/out" 2>&1
rc=$?
out=$(cat "$work/out")
expect_rc 1 "no ICMP socket"
[[ "$out" == "Error: Unable to open ICMP handle due to error "*ping_group_range*cap_net_raw* ]] ||
  fail "no ICMP socket: $(printf %q "$out")"

if windows_available; then
  check_refused_address run_windows "windows"
else
  echo "note: no Windows build given, Wine half skipped" >&2
fi
finish
