#!/usr/bin/env bash
# TCP probes over IPv6: "[address]:port" and names with only an AAAA record
# against the target's open, closed and dropped ports, and a link-local
# address with its zone. The Windows build under Wine must print the same
# bytes as the native one; a bracketed text that is no address is an
# unknown host.
source "$(dirname "$0")/lib.sh"
scenario_start

open="[$TW_ECHO6]:$TW_TCP_OPEN"
check_case "an open port" 0 \
  "$(header "$TW_ECHO6")TCP Port $TW_TCP_OPEN is open"'\r\n'"TCP Port $TW_TCP_OPEN is open"'\r\n'"$(timed_summary 100)" \
  /c 2 "$open"
check_case "an open port of a name with only an AAAA record" 0 \
  "$(header "$TW_NAME_V6ONLY [$TW_ECHO6]")TCP Port $TW_TCP_OPEN is open"'\r\n'"$(timed_summary 100)" \
  /c 1 "$TW_NAME_V6ONLY:$TW_TCP_OPEN"
check_case "a name with both records connects over IPv4" 0 \
  "$(header "$TW_NAME_DUAL [$TW_ECHO]")TCP Port $TW_TCP_OPEN is open"'\r\n'"$(timed_summary 100)" \
  /c 1 "$TW_NAME_DUAL:$TW_TCP_OPEN"
check_case "brief mode" 0 "Host $TW_ECHO6 is up."'\r\n' /b "$open"
check_case "a closed port" 3 \
  "$(header "$TW_ECHO6")"'[10061] Connection refused\r\n'"$(summary 0 0 0 0)" \
  /c 1 "[$TW_ECHO6]:$TW_TCP_CLOSED"
check_case "a bracketed text that is no address" 1 'Error: <ANY>\r\n' "[$TW_NAME_ECHO]:$TW_TCP_OPEN"

# A dropped SYN is given up after /t seconds; both builds print one line.
for kind in "${kinds[@]}"; do
  start=$(date +%s%N)
  run_tavro "$kind" /c 1 /t 1 "[$TW_ECHO6]:$TW_TCP_FILTERED"
  elapsed_ms=$((($(date +%s%N) - start) / 1000000))
  expect "$kind" "a filtered port" 3 "$(header "$TW_ECHO6")"'<ANY>\r\n'"$(summary 0 0 0 0)"
  if [ "$elapsed_ms" -ge 900 ] && [ "$elapsed_ms" -lt 4000 ]; then
    pass "$kind: the filtered port was given up after ${elapsed_ms} ms (/t 1)"
  else
    fail "$kind: the filtered port took ${elapsed_ms} ms with /t 1"
  fi
  cp "$work/out" "$work/filtered.$kind"
done
# The Windows half alone (the i686 run) has no native bytes to compare with.
if [ -f "$work/filtered.native" ] && [ -f "$work/filtered.wine" ]; then
  if cmp -s "$work/filtered.native" "$work/filtered.wine"; then
    pass "wine: the filtered port's lines are the native bytes"
  else
    fail "wine: the filtered port's lines differ from the native ones"
    od -c "$work/filtered.native" | head -n 8
    od -c "$work/filtered.wine" | head -n 8
  fi
fi

# A link-local address reaches the router only through its zone; r1 has
# nothing listening, so a reset proves the connection went out on eth0.
r1_link_local=$(ip -n "$TW_NS_R1" -6 -o addr show dev c0 scope link | awk '{ sub("/.*", "", $4); print $4 }')
for kind in "${kinds[@]}"; do
  [ "$kind" = native ] || continue
  run_tavro "$kind" /c 1 "[$r1_link_local%eth0]:$TW_TCP_OPEN"
  expect "$kind" "a link-local address with its zone" 3 \
    "$(header "$r1_link_local%eth0")"'[10061] Connection refused\r\n'"$(summary 0 0 0 0)"
done

scenario_finish
