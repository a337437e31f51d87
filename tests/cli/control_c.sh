#!/usr/bin/env bash
# Control-C (SIGINT) and Break (SIGQUIT) end verbose probing after the probe
# under way, which still completes with its real outcome, and the summary
# follows. Native only: Wine does not turn signals into console events.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"

# Starts the program, sends the signal after $1 seconds; sets out, rc and
# elapsed (ms).
interrupt_after() {
  local delay=$1 signal=$2
  shift 2
  local start end
  start=$(date +%s%N)
  "$TAVRO_EXE" "$@" >"$work/out" 2>"$work/err" &
  local pid=$!
  sleep "$delay"
  kill -s "$signal" $pid
  wait_for $pid 30
  rc=$?
  end=$(date +%s%N)
  elapsed=$(((end - start) / 1000000))
  out=$(cat "$work/out")
}

for path in datagram raw; do
  use_icmp_path $path
  iptables -A INPUT -p icmp --icmp-type echo-request -j DROP
  # The signal lands in the middle of the first 1.5 s wait.
  interrupt_after 0.5 INT /c 10 127.0.0.1
  expect_rc 3 "$path: interrupted time-out"
  [ "$(grep -c 'The request timed out\.' <<<"$out")" -eq 1 ] ||
    fail "$path: expected one time-out line: $(printf %q "$out")"
  [ "$elapsed" -ge 1450 ] || fail "$path: the probe was cut short after $elapsed ms"
  [[ "$out" == *"Rate: 0%"* ]] || fail "$path: no summary after Control-C"
  iptables -F INPUT

  interrupt_after 0.5 QUIT /l 127.0.0.1
  expect_rc 0 "$path: Break during endless probing"
  [[ "$out" == *"Roundtrip Summary:"*"Rate: 100%"* ]] ||
    fail "$path: no summary after Break: $(printf %q "$out")"
done
finish
