#!/usr/bin/env bash
# Control-C (SIGINT) in loop mode ends probing after the current line; the
# summary still follows and the exit code reflects the rate.
source "$(dirname "$0")/lib.sh"
scenario_start

# start_tavro KIND ARGS...: like run_tavro, but in the background with its
# own process group, so that SIGINT is not ignored as it is for background
# jobs without job control. Leaves the pid in $pid.
start_tavro() {
  local kind=$1
  shift
  set -m
  if [ "$kind" = native ]; then
    ip netns exec "$TW_NS_CLIENT" env XDG_CONFIG_HOME="$work/config" "$TAVRO_EXE" "$@" \
      >"$work/out" 2>"$work/err" </dev/null &
  else
    ip netns exec "$TW_NS_CLIENT" env WINEPREFIX="$wine_prefix" WINEDEBUG=-all wine "$TAVRO_WIN_EXE" "$@" \
      >"$work/out" 2>"$work/err" </dev/null &
  fi
  pid=$!
  set +m
}

replies() { grep -c '^Reply from' "$work/out" || true; }

for kind in "${kinds[@]}"; do
  start_tavro "$kind" /l /d 100 "$TW_ECHO"
  for _ in $(seq 1 200); do
    [ "$(replies)" -ge 2 ] && break
    sleep 0.05
  done
  kill -INT "$pid"
  rc=0
  # A build that ignores the interrupt would loop for ever.
  for _ in $(seq 1 60); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null || true
    fail "$kind: SIGINT did not end the loop within 3 s"
    continue
  fi
  wait "$pid" || rc=$?
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
  kill -INT "$pid"
  rc=0
  wait "$pid" || rc=$?
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
