#!/usr/bin/env bash
# Times testworld up and down: bench/testworld_startup.sh [RUNS] (default 5).
# Prints each run and the mean and worst case in milliseconds; start-up is
# meant to stay under 2000 ms.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
env_file=$(mktemp)
trap 'rm -f "$env_file"' EXIT

now_ms() { echo $(($(date +%s%N) / 1000000)); }

total_up=0 total_down=0 worst_up=0 worst_down=0
for i in $(seq 1 "$runs"); do
  t0=$(now_ms)
  "$root/scripts/testworld" up >"$env_file"
  t1=$(now_ms)
  "$root/scripts/testworld" down "$env_file"
  t2=$(now_ms)
  up=$((t1 - t0)) down=$((t2 - t1))
  echo "run $i: up ${up} ms, down ${down} ms"
  total_up=$((total_up + up)) total_down=$((total_down + down))
  [ "$up" -gt "$worst_up" ] && worst_up=$up
  [ "$down" -gt "$worst_down" ] && worst_down=$down
done
echo "up: mean $((total_up / runs)) ms, worst ${worst_up} ms;" \
  "down: mean $((total_down / runs)) ms, worst ${worst_down} ms"
