# shellcheck shell=bash
# Time bounds shared by the shell tests; sourced, not run.
#
# ctest ends a test that overruns its TIMEOUT with SIGKILL, which gives the
# test no chance to remove what it made (namespaces, a test world, a Wine
# server, listeners). A test therefore ends itself first: start_watchdog
# sends it SIGTERM after TAVRO_TEST_DEADLINE seconds, and its TERM trap
# cleans up. Keep the deadline below the TIMEOUT in tests/CMakeLists.txt,
# and every single command well inside it (bounded, wait_for).
: "${TAVRO_TEST_DEADLINE:=870}"
: "${TAVRO_RUN_TIMEOUT:=90}"
watchdog=""

# Sends this script SIGTERM when it has run TAVRO_TEST_DEADLINE seconds,
# and then the command it waits for: bash runs a trap only once the command
# in the foreground has ended. The watchdog holds none of the script's
# output open, so a reader of that output never waits for it.
start_watchdog() {
  local script=$$
  (
    sleep "$TAVRO_TEST_DEADLINE" &
    trap 'kill $! 2>/dev/null; exit 0' TERM
    wait $! || exit 0
    kill -TERM "$script" 2>/dev/null || exit 0
    sleep 0.2
    # shellcheck disable=SC2046 # a list of pids
    kill -TERM $(ps -o pid= --ppid "$script" | grep -vx " *$BASHPID") 2>/dev/null
  ) </dev/null >/dev/null 2>&1 &
  watchdog=$!
}

# bounded CMD...: runs a program (not a shell function) for at most
# TAVRO_RUN_TIMEOUT seconds; 124 when it had to be stopped. In the caller's
# process group, so that an interrupt from the terminal reaches it too.
bounded() { timeout --foreground -k 5 "$TAVRO_RUN_TIMEOUT" "$@"; }

# stop_watchdog: for the cleanup trap.
stop_watchdog() {
  if [ -n "$watchdog" ]; then kill "$watchdog" 2>/dev/null || true; fi
  watchdog=""
}

# wait_for PID [SECONDS]: waits for a background process of this script, at
# most SECONDS (default TAVRO_RUN_TIMEOUT); one still running then is killed
# and the status is 124, as timeout(1) gives.
wait_for() {
  local pid=$1 limit=${2:-$TAVRO_RUN_TIMEOUT} i
  for ((i = 0; i < limit * 20; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 124
  fi
  wait "$pid"
}
