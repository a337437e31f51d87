#!/usr/bin/env bash
# TCP mode against the target's open, closed (reset) and filtered (dropped)
# ports. The failure lines are the component's error texts, which carry the
# system's message; they are compared by form only.
source "$(dirname "$0")/lib.sh"
scenario_start

open="$TW_ECHO:$TW_TCP_OPEN"
check_case "an open port" 0 \
  "$(header "$TW_ECHO")TCP Port $TW_TCP_OPEN is open"'\r\n'"TCP Port $TW_TCP_OPEN is open"'\r\n'"$(timed_summary 100)" \
  /c 2 "$open"
check_case "an open port by name" 0 \
  "$(header "$TW_NAME_ECHO [$TW_ECHO]")TCP Port $TW_TCP_OPEN is open"'\r\n'"$(timed_summary 100)" \
  /c 1 "$TW_NAME_ECHO:$TW_TCP_OPEN"
check_case "brief mode over TCP" 0 "Host $TW_ECHO is up."'\r\n' /b "$open"
check_case "a closed port" 3 \
  "$(header "$TW_ECHO")"'<ANY>\r\n'"$(summary 0 0 0 0)" /c 1 "$TW_ECHO:$TW_TCP_CLOSED"

# A dropped SYN is never answered: the probe gives up after /t seconds.
for kind in "${kinds[@]}"; do
  start=$(date +%s%N)
  run_tavro "$kind" /c 1 /t 1 "$TW_ECHO:$TW_TCP_FILTERED"
  elapsed_ms=$((($(date +%s%N) - start) / 1000000))
  expect "$kind" "a filtered port" 3 "$(header "$TW_ECHO")"'<ANY>\r\n'"$(summary 0 0 0 0)"
  if [ "$elapsed_ms" -ge 900 ] && [ "$elapsed_ms" -lt 4000 ]; then
    pass "$kind: the filtered port was given up after ${elapsed_ms} ms (/t 1)"
  else
    fail "$kind: the filtered port took ${elapsed_ms} ms with /t 1"
  fi
done

# A port is read with strtol rules and cut to 16 bits: 65616 is port 80.
check_case "the port is taken modulo 65536" 0 \
  "$(header "$TW_ECHO")TCP Port $TW_TCP_OPEN is open"'\r\n'"$(timed_summary 100)" \
  /c 1 "$TW_ECHO:$((65536 + TW_TCP_OPEN))"

scenario_finish
