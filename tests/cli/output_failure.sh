#!/usr/bin/env bash
# Standard output that cannot be written ends the run: a reader that has
# gone (with SIGPIPE ignored, as a parent may leave it) and a full disk stop
# the probes at the line that failed, with one line on standard error and
# exit code 1 - also in brief mode, where the verdict is the only line, and
# for the usage and the banner, which are the whole output of their runs.
# Natively and under Wine; the timeout only catches a run that would go on
# for ever, the times are printed, not judged.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
use_icmp_path datagram

pipe_line=$'Error: Cannot write to standard output: The pipe is being closed.\r'
full_line=$'Error: Cannot write to standard output: There is not enough space on the disk.\r'

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# check LABEL EXPECTED-LINE: judges rc and $work/err of the run just made.
# Wine's system texts are its own, so under Wine only the line's start is
# compared.
check() {
  local label=$1 line=$2 lines
  [ "$rc" -ne 124 ] || { fail "$label: still probing after 20 s"; return; }
  expect_rc 1 "$label"
  lines=$(wc -l <"$work/err")
  [ "$lines" -eq 1 ] || fail "$label: $lines lines on standard error: $(cat "$work/err")"
  if [ "$label" != "${label#windows}" ]; then
    line="${line%%: T*}: "
    [[ "$(cat "$work/err")" == "$line"*$'\r' ]] ||
      fail "$label: standard error $(printf %q "$(cat "$work/err")")"
  else
    [ "$(cat "$work/err")" == "$line" ] ||
      fail "$label: standard error $(printf %q "$(cat "$work/err")")"
  fi
  echo "$label: exit $rc after $(($(now_ms) - start)) ms"
}

# run_cases PROGRAM...: the program with its arguments prefixed.
run_cases() {
  local who=$1
  shift
  # The words of each case are split, never expanded: "/?" is no pattern.
  local -
  set -f
  start=$(now_ms)
  (
    trap '' PIPE
    timeout 20 "$@" /l /d 0 127.0.0.1 2>"$work/err" | head -c1 >/dev/null
    exit "${PIPESTATUS[0]}"
  )
  rc=$?
  check "$who /l | head -c1, SIGPIPE ignored" "$pipe_line"

  for args in "/l 127.0.0.1" "/c 2 127.0.0.1" "/b /c 1 127.0.0.1" "/?" "/version" "--help"; do
    start=$(now_ms)
    # shellcheck disable=SC2086
    timeout 20 "$@" $args >/dev/full 2>"$work/err"
    rc=$?
    check "$who $args >/dev/full" "$full_line"
  done
}

run_cases native "$TAVRO_EXE"

# With SIGPIPE at its default the program ends from it, as any tool does.
start=$(now_ms)
timeout 20 "$TAVRO_EXE" /l /d 0 127.0.0.1 2>/dev/null | head -c1 >/dev/null
rc=${PIPESTATUS[0]}
[ "$rc" -eq 141 ] || fail "native /l | head -c1, SIGPIPE default: exit $rc, expected 141"

if windows_available; then
  # Where wineboot could not prepare the prefix, the first run does, with
  # notes of Wine's own on standard error.
  bounded "$wine_exec" "$TAVRO_WIN_EXE" /version >/dev/null 2>&1
  run_cases windows "$wine_exec" "$TAVRO_WIN_EXE"
fi
finish
