#!/usr/bin/env bash
# TCP mode end to end through the client component: the default four
# probes, the component's own failure texts (the same on both systems, as
# they come from its table and not from the system), the time-out of a
# filtered port, and the fixed pause between TCP probes whatever /d says.
source "$(dirname "$0")/lib.sh"
scenario_start

open="$TW_ECHO:$TW_TCP_OPEN"
closed="$TW_ECHO:$TW_TCP_CLOSED"
filtered="$TW_ECHO:$TW_TCP_FILTERED"
open_line="TCP Port $TW_TCP_OPEN is open"'\r\n'
refused='[10061] Connection refused\r\n'

check_case "four probes of an open port by default" 0 \
  "$(header "$TW_ECHO")$open_line$open_line$open_line$open_line$(timed_summary 100)" "$open"
check_case "a closed port shows the refusal" 3 \
  "$(header "$TW_ECHO")$refused$refused$(summary 0 0 0 0)" /c 2 "$closed"
check_case "brief mode on a closed port" 3 "Host $TW_ECHO is down."'\r\n' /b /c 2 "$closed"

# run_timed KIND ARGS...: run_tavro with the wall time in $elapsed_ms.
run_timed() {
  local start
  start=$(date +%s%N)
  run_tavro "$@"
  elapsed_ms=$((($(date +%s%N) - start) / 1000000))
}

# in_range KIND NAME LOW HIGH: the last run's wall time lies in [LOW, HIGH).
in_range() {
  if [ "$elapsed_ms" -ge "$3" ] && [ "$elapsed_ms" -lt "$4" ]; then
    pass "$1: $2 (${elapsed_ms} ms)"
  else
    fail "$1: $2 took ${elapsed_ms} ms, want $3 to $4"
  fi
}

for kind in "${kinds[@]}"; do
  # Wine needs one to two seconds more to start and end the program.
  slack=$([ "$kind" = wine ] && echo 4500 || echo 0)
  timeout_line='Timeout.\r\n'
  run_timed "$kind" /c 2 /t 1 "$filtered"
  expect "$kind" "a filtered port times out" 3 \
    "$(header "$TW_ECHO")$timeout_line$timeout_line$(summary 0 0 0 0)"
  # Two attempts of 1000-1030 ms and one pause of 150 ms.
  in_range "$kind" "two filtered probes with /t 1" 2150 $((2450 + slack))

  run_timed "$kind" /c 3 /d 2000 "$open"
  expect "$kind" "an open port with a long /d" 0 \
    "$(header "$TW_ECHO")$open_line$open_line$open_line$(timed_summary 100)"
  in_range "$kind" "TCP probes pause 150 ms whatever /d says" 300 $((900 + slack))

  run_timed "$kind" /c 3 /d 0 "$open"
  in_range "$kind" "the pause stays with /d 0" 300 $((900 + slack))
done

scenario_finish
