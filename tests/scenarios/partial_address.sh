#!/usr/bin/env bash
# Partial numeric targets completed from the client's own interface address
# (10.97.0.2, its only interface besides loopback): the missing leading
# groups come from that address, in ICMP and in TCP mode, and what is not a
# partial address is left alone.
source "$(dirname "$0")/lib.sh"
scenario_start

prefix3=${TW_CLIENT%.*}     # 10.97.0
prefix2=${prefix3%.*}       # 10.97
prefix1=${prefix2%.*}       # 10

# With /c 0 the target is completed, resolved and shown, and no probe goes
# out: the header says what the completion made of it.
completed() { # NAME TARGET COMPLETED
  check_case "$1: $2 becomes $3" 3 "$(header "$3")$(summary 0 0 0 0)" /c 0 "$2"
}
completed "one group" 5 "$prefix3.5"
completed "one group after a dot" .5 "$prefix3.5"
completed "two groups" 2.7 "$prefix2.2.7"
completed "three groups" 1.2.3 "$prefix1.1.2.3"
completed "a full address" "$TW_ECHO" "$TW_ECHO"

# Completed targets that exist in the world answer like any other.
check_case "1 reaches the first router" 0 \
  "$(header "$TW_R1")$(reply "$TW_R1" 32 64 0)$(timed_summary 100)" /c 1 "${TW_R1##*.}"
echo_tail=${TW_ECHO#"$prefix2".}   # 1.2
check_case "$echo_tail reaches the echo host behind the router" 0 \
  "$(header "$TW_ECHO")$(reply "$TW_ECHO" 32 63 0)$(timed_summary 100)" /c 1 "$echo_tail"

# In TCP mode only the host part is completed; the port stays as written.
check_case "10:80 completes the host and keeps the port" 3 \
  "$(header "$prefix3.10")$(summary 0 0 0 0)" /c 0 10:80
open_line="TCP Port $TW_TCP_OPEN is open"'\r\n'
check_case "$echo_tail:$TW_TCP_OPEN opens the echo host's port" 0 \
  "$(header "$TW_ECHO")$open_line$(timed_summary 100)" /c 1 "$echo_tail:$TW_TCP_OPEN"

# Two dots meet in the middle: the completed text is no address and fails
# in resolution with the system's text.
check_case "10..5 is completed to a text that does not resolve" 1 'Error: <ANY>\r\n' 10..5
# A minus sign still counts as a group; the address it gives cannot exist,
# and a target that starts with "-" is followed by where options start.
check_case "-5 is completed to a text that does not resolve" 1 \
  'Error: <ANY>\r\nOptions start with / instead of - (for example /c 2).\r\n' -5
# Four groups or more, and names, are not partial addresses.
check_case "five groups are left alone and fail" 1 'Error: <ANY>\r\n' 1.2.3.4.5
check_case "a name is left alone" 0 \
  "$(header "$TW_NAME_ECHO [$TW_ECHO]")$(reply "$TW_ECHO" 32 63 0)$(timed_summary 100)" \
  /c 1 "$TW_NAME_ECHO"

scenario_finish
