#!/usr/bin/env bash
# Benchmarks of TCP mode and the TCP client, loopback only (not a test):
#   1. the connect time tavro reports for an open port,
#   2. the wall time of tavro /c 10 against the 1.35 s of its nine pauses,
#   3. SendFile of 1 GiB against socat sending the same file,
#   4. the descriptors of one process across 10,000 connect/disconnect probes.
# Usage: bench/tcp_probe.sh   (release build in build/bench, see bench/lib.sh)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bench_build_targets tavro tcp_bench_client
tavro=$bench_build/tavro
client=$bench_build/examples/tcp_bench_client
work=$(mktemp -d /tmp/tavro-tcp-bench.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
ms() { echo $(( $(date +%s%N) / 1000000 )); }

port=$(free_port)
socat TCP-LISTEN:"$port",bind=127.0.0.1,reuseaddr,fork /dev/null &
pids+=($!)
sleep 0.3

echo "== 1. reported connect time (tavro /c 10 127.0.0.1:$port)"
start=$(ms)
"$tavro" /c 10 "127.0.0.1:$port" | tr -d '\r' | grep -E "^Average"
wall=$(( $(ms) - start ))
echo "== 2. wall time of /c 10: ${wall} ms (nine pauses: 1350 ms)"

echo "== 3. 1 GiB over loopback"
head -c 1073741824 /dev/zero >"$work/big"
sink=$(free_port)
socat -u TCP-LISTEN:"$sink",bind=127.0.0.1,reuseaddr,fork OPEN:/dev/null &
pids+=($!)
sleep 0.3
echo "SendFile: $("$client" sendfile "$work/big" "$sink") s"
start=$(ms)
socat -u OPEN:"$work/big" TCP:127.0.0.1:"$sink"
echo "socat:    $(( $(ms) - start )) ms"

echo "== 4. 10,000 probes in one process (tavro itself pauses 150 ms between them)"
# A listener that accepts and closes at once; a forking socat per
# connection would measure process creation instead.
probe_port=$(free_port)
python3 -c '
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(4096)
while True:
    s.accept()[0].close()
' "$probe_port" &
pids+=($!)
sleep 0.3
start=$(ms)
"$client" probes 10000 "$probe_port"
echo "in $(( $(ms) - start )) ms"
