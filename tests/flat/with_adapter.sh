#!/usr/bin/env bash
# Runs PROGRAM ARGS... in a private network namespace (tests/isolated.sh
# gives one) after adding a veth pair whose end v0 has only 10.77.0.1/32,
# a link-local and a unique-local IPv6 address, and an IPv6 default route
# through fd77::fe. Then checks that tavro's partial-address completion still
# takes the first non-loopback adapter: "5" becomes 10.77.0.5.
#   tests/flat/with_adapter.sh TAVRO PROGRAM [ARGS...]
set -euo pipefail
tavro=$1
shift
ip link add v0 type veth peer name v1 || { echo "SKIP: no veth links here" >&2; exit 77; }
ip link set v1 up
ip link set v0 up
ip addr add 10.77.0.1/32 dev v0
ip -6 addr add fe80::77/64 dev v0 nodad
ip -6 addr add fd77::1/64 dev v0 nodad
ip -6 route add default via fd77::fe dev v0
status=0
"$@" || status=$?
if [ -x "$tavro" ]; then
  line=$("$tavro" /c 1 /d 0 5 2>&1 | tr -d '\r' | sed -n 2p || true)
  if [ "$line" = "Binging 10.77.0.5" ]; then
    echo "ok    partial address 5 completes from the first non-loopback adapter"
  else
    echo "FAIL  partial address 5: '$line', want 'Binging 10.77.0.5'"
    status=1
  fi
fi
exit "$status"
