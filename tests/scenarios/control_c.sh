#!/usr/bin/env bash
# Control-C (SIGINT) in loop mode ends probing after the current line; the
# summary still follows and the exit code reflects the rate.
source "$(dirname "$0")/lib.sh"
scenario_start

replies() { grep -c '^Reply from' "$work/out" || true; }

# loop_until_interrupted KIND: a /l run interrupted after two replies. A
# Windows run under Wine has been seen to end before its interrupt (once,
# on a loaded machine, without its output kept): such a run is tried once
# more.
loop_until_interrupted() {
  local kind=$1 attempt
  for attempt in 1 2; do
    start_tavro "$kind" /l /d 100 "$TW_ECHO"
    for _ in $(seq 1 200); do
      [ "$(replies)" -ge 2 ] && break
      sleep 0.05
    done
    interrupt_tavro && return 0
    [ "$kind" = wine ] && [ "$attempt" = 1 ] || return 1
    note "wine: the run ended before it was interrupted; trying once more"
  done
}

for kind in "${kinds[@]}"; do
  if ! loop_until_interrupted "$kind"; then
    fail "$kind: the loop ended before the interrupt"
    continue
  fi
  if [ "$rc" -eq 124 ]; then
    fail "$kind: SIGINT did not end the loop within 20 s"
    continue
  fi
  n=$(replies)
  expected="$(header "$TW_ECHO")"
  for ((i = 0; i < n; i++)); do expected+="$(reply "$TW_ECHO" 32 63 "$i")"; done
  expected+="$(timed_summary 100)"
  if [ "$n" -ge 2 ]; then
    expect "$kind" "SIGINT ends a loop after $n replies with the summary" 0 "$expected"
  else
    fail "$kind: only $n replies before SIGINT"
    show_run
  fi
done

# Interrupts while an echo request to the dropping target is under way: the
# request seen arriving there shows that the program is past its start-up.
count_rule "$TW_NS_TARGET" INPUT "$TW_DROP"
interrupt_during_probe() {
  local before
  before=$(counted "$TW_NS_TARGET" INPUT "$TW_DROP")
  start_tavro "$@"
  for _ in $(seq 1 200); do
    [ "$(counted "$TW_NS_TARGET" INPUT "$TW_DROP")" -gt "$before" ] && break
    sleep 0.05
  done
  # A build that ignores the interrupt would make three probes of 1.5 s at
  # most (brief) or loop for ever.
  interrupt_tavro || fail "$1: the run ended before the interrupt"
  [ "$rc" -ne 124 ] || fail "$1: SIGINT did not end the run within 20 s"
}

for kind in "${kinds[@]}"; do
  # The probe under way completes and its line is printed first.
  interrupt_during_probe "$kind" /l /d 0 "$TW_DROP"
  expect "$kind" "SIGINT during a probe lets it finish" 3 \
    "$(header "$TW_DROP")$(status_line "The request timed out.")$(summary 0 0 0 0)"
  # Brief mode does not look at the stop flag: all three probes are made.
  interrupt_during_probe "$kind" /b /c 3 /d 0 "$TW_DROP"
  expect "$kind" "SIGINT in brief mode changes nothing" 3 "Host $TW_DROP is down."'\r\n'
done

scenario_finish
