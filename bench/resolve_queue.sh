#!/usr/bin/env bash
# IPInfo's request queue against the test world's DNS server (not a test):
#   1. the latency of one queued lookup,
#   2. 96 lookups queued at once,
#   3. 96 getaddrinfo calls one after the other,
# side by side, each repeated five times. Everything runs in a world built
# for the purpose (scripts/testworld run), so nothing leaves this machine.
# Usage: bench/resolve_queue.sh [BUILD_DIR]   (default build-resolver)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-resolver}
work=$(mktemp -d /tmp/tavro-resolve-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

client=$work/resolve_queue_client
g++ -std=c++17 -O2 -I"$root" -I"$root/components/include" "$root/bench/resolve_queue_client.cpp" \
  $(find "$build/CMakeFiles/tavro_core.dir" -name '*.o') \
  -lcares -lnettle -lsndfile -lasound -ldl -lpthread -o "$client"

cat >"$work/run.sh" <<SCRIPT
set -eu
names="\$TW_NAME_ECHO \$TW_NAME_MULTI"
"$client" single "\$TW_NAME_ECHO" >/dev/null  # warms the server's cache
for i in 1 2 3 4 5; do
  printf 'single     %s\n' "\$("$client" single "\$TW_NAME_ECHO")"
  printf 'queued 96  %s\n' "\$("$client" queued 96 \$names)"
  printf 'sequential %s\n' "\$("$client" sequential 96 "\$TW_NAME_ECHO")"
done
SCRIPT
"$root/scripts/testworld" run -- sh "$work/run.sh" | sort -s -k1,1
