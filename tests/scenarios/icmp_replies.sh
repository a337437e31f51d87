#!/usr/bin/env bash
# Echo replies from a host one router away: the verbose header for numeric
# targets, names and reverse lookups, the reply line fields, the summary.
source "$(dirname "$0")/lib.sh"
scenario_start

check_case "two replies from a numeric target" 0 \
  "$(header "$TW_ECHO")$(reply "$TW_ECHO" 32 63 0)$(reply "$TW_ECHO" 32 63 1)$(timed_summary 100)" \
  /c 2 "$TW_ECHO"

check_case "payload size shows in bytes=" 0 \
  "$(header "$TW_ECHO")$(reply "$TW_ECHO" 100 63 0)$(timed_summary 100)" \
  /c 1 /s 100 "$TW_ECHO"

check_case "empty payload" 0 \
  "$(header "$TW_ECHO")$(reply "$TW_ECHO" 0 63 0)$(timed_summary 100)" \
  /c 1 /s 0 "$TW_ECHO"

check_case "a name is shown with its address" 0 \
  "$(header "$TW_NAME_ECHO [$TW_ECHO]")$(reply "$TW_ECHO" 32 63 0)$(timed_summary 100)" \
  /c 1 "$TW_NAME_ECHO"

known_wine_gap "Wine 8's DnsQuery_A sends the PTR query but returns no record" \
  check_case "reverse lookup names a numeric target" 0 \
  "$(header "$TW_NAME_ECHO [$TW_ECHO]")$(reply "$TW_ECHO" 32 63 0)$(timed_summary 100)" \
  /a /c 1 "$TW_ECHO"

# Count 0 resolves and prints the header but sends nothing, so the rate is 0.
check_case "reverse lookup without a PTR record keeps the address" 3 \
  "$(header "$TW_NAME_NO_PTR_ADDR")$(summary 0 0 0 0)" \
  /a /c 0 "$TW_NAME_NO_PTR_ADDR"

# The resolver may order the two addresses either way; the header and the
# replies must agree on the one that was chosen.
for kind in "${kinds[@]}"; do
  run_tavro "$kind" /c 1 "$TW_NAME_MULTI"
  chosen=$(sed -n 's/^Binging multi\.world\.test \[\(.*\)\]$/\1/p' "$work/out")
  case "$chosen" in
    "$TW_ECHO" | "$TW_MULTI_SECOND")
      expect "$kind" "a name with two addresses uses one of them" 0 \
        "$(header "$TW_NAME_MULTI [$chosen]")$(reply "$chosen" 32 63 0)$(timed_summary 100)" ;;
    *)
      fail "$kind: a name with two addresses uses one of them"
      show_run ;;
  esac
done

scenario_finish
