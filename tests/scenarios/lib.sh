# shellcheck shell=bash
# Shared helpers for the scenario tests. A scenario script sources this file,
# calls scenario_start, then for each case runs tavro in the world's client
# namespace (natively and, when a Windows build is given, under Wine) and
# checks exit code, standard output and standard error. scenario_finish
# prints the tally and exits; the world, the Wine server and the scratch
# directory are removed on every exit path.
#
# Expected output is written with backslash escapes (\r, \n), decoded only
# when compared, so that it survives command substitution; two placeholders:
#   <N>    a decimal number (times vary from run to run)
#   <ANY>  a non-empty text without a carriage return; only for lines that carry a system text, which
#          differs between the native table and the host system under Wine

set -euo pipefail
shopt -s extglob

: "${TAVRO_SOURCE_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
: "${TAVRO_WIN_EXE:=}"
TESTWORLD="$TAVRO_SOURCE_DIR/scripts/testworld"
# Runs a Windows program under the loader of its architecture.
WINE_EXEC="$TAVRO_SOURCE_DIR/tests/wine.sh"

passed=0
failed=0
gaps=0
wine_gap=""
world_id=""
work=""
wine_prefix=""
kinds=(native)
# TAVRO_WINE_ONLY=1: the Windows half alone (the second Windows build's run
# of the same scenarios).
[ "${TAVRO_WINE_ONLY:-0}" = 1 ] && kinds=()
# The deadline of the whole script, the bound of each run (seconds).
# shellcheck source=../bounds.bash
source "$TAVRO_SOURCE_DIR/tests/bounds.bash"

skip() {
  echo "SKIP: $*" >&2
  exit 77
}

note() { echo "note: $*" >&2; }

pass() {
  passed=$((passed + 1))
  echo "ok    $*"
}

fail() {
  failed=$((failed + 1))
  echo "FAIL  $*"
}

# A case that Wine cannot reproduce, with the reason; counted as skipped.
gap() {
  gaps=$((gaps + 1))
  echo "GAP   $*"
}

# known_wine_gap REASON CMD...: runs CMD (a check) with failures of the Wine
# half reported as a gap of Wine's instead of a failure of tavro.
known_wine_gap() {
  wine_gap=$1
  shift
  "$@"
  wine_gap=""
}

scenario_cleanup() {
  local rc=$?
  set +e
  trap '' INT TERM HUP
  stop_watchdog
  wine_stop
  [ -n "$world_id" ] && "$TESTWORLD" down "$world_id"
  [ -n "$work" ] && rm -rf "$work"
  return $rc
}

# Checks what a world needs; skips (exit 77) with the reason when it is not
# there, so that a missing capability never looks like a pass.
require_world_tools() {
  [ "$(id -u)" -eq 0 ] || skip "network namespaces need root"
  local tool
  for tool in ip iptables iptables-restore dnsmasq socat ping getent; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
  done
  unshare -n true 2>/dev/null || skip "cannot create a network namespace here"
  if [ -z "${TAVRO_EXE:-}" ] || [ ! -x "$TAVRO_EXE" ]; then
    skip "TAVRO_EXE is not set"
  fi
  # The interim build is an empty program; a real one always prints usage.
  if [ -z "$("$TAVRO_EXE" '/?' 2>&1)" ]; then
    skip "$TAVRO_EXE prints nothing for /? (interim build, no program yet)"
  fi
}

# Brings up a world for this script and sources its addresses (TW_*).
scenario_start() {
  require_world_tools
  work=$(mktemp -d /tmp/tavro-scenario.XXXXXX)
  trap scenario_cleanup EXIT
  trap 'exit 130' INT
  # A trap may run while a command's output is redirected: the note goes to
  # the script's own standard output, kept aside here.
  exec {script_stdout}>&1
  trap 'echo "FAIL  ended by SIGTERM (after ${TAVRO_TEST_DEADLINE} s, or from outside)" >&"$script_stdout"
        exit 143' TERM
  trap 'exit 129' HUP
  start_watchdog
  "$TESTWORLD" up >"$work/world.env" || skip "testworld up failed"
  # shellcheck disable=SC1091
  source "$work/world.env"
  world_id=$TW_ID
  mkdir -p "$work/config"
  wine_start
}

scenario_finish() {
  echo "$passed passed, $failed failed, $gaps skipped"
  [ "$failed" -eq 0 ]
  exit $?
}

in_client() {
  ip netns exec "$TW_NS_CLIENT" "$@"
}

# A fresh Wine prefix for each script, cloned with hard links from a template
# that is built once per build directory: a new prefix costs over ten seconds.
# The registry files are copied, not linked, because they are rewritten.
# Without a build directory the template is made in the scratch directory and
# goes with it.
wine_template() {
  local template="${TAVRO_BUILD_DIR:-$work}/wine-template"
  (
    flock 9
    if [ ! -f "$template/.ready" ]; then
      rm -rf "$template"
      # No network while the prefix is created: wineboot has no business there.
      WINEPREFIX="$template" WINEDEBUG=-all unshare -n "$WINE_EXEC" wineboot -i >/dev/null 2>&1
      WINEPREFIX="$template" wineserver -w
      touch "$template/.ready"
    fi
  ) 9>"$template.lock"
  echo "$template"
}

wine_start() {
  if [ "${TAVRO_WINE_ONLY:-0}" = 1 ] && { [ ! -f "$TAVRO_WIN_EXE" ] || ! command -v wine >/dev/null; }; then
    skip "only the Windows half was asked for, and it cannot run here"
  fi
  if [ -z "$TAVRO_WIN_EXE" ]; then
    note "TAVRO_WIN_EXE is empty: only the native half runs"
    return 0
  fi
  [ -f "$TAVRO_WIN_EXE" ] || { fail "TAVRO_WIN_EXE $TAVRO_WIN_EXE does not exist"; return 0; }
  command -v wine >/dev/null || { note "wine is not installed: native half only"; return 0; }
  local template f
  template=$(wine_template)
  wine_prefix="$work/wine"
  # Hard links need the template on the same file system; copy otherwise.
  cp -al "$template" "$wine_prefix" 2>/dev/null || {
    rm -rf "$wine_prefix"
    cp -a "$template" "$wine_prefix"
  }
  for f in "$template"/*.reg "$template/.update-timestamp"; do
    [ -f "$f" ] && cp --remove-destination "$f" "$wine_prefix/"
  done
  kinds+=(wine)
}

wine_stop() {
  [ -n "$wine_prefix" ] || return 0
  WINEPREFIX="$wine_prefix" wineserver -k >/dev/null 2>&1
  WINEPREFIX="$wine_prefix" wineserver -w >/dev/null 2>&1
  wine_prefix=""
}

# raw_path_start: adds the kind "raw": a copy of the program with the
# raw-socket capability on its file, run by an unprivileged user while the
# client's ping sockets are closed to every group, the way an installed
# package without ping_group_range runs. Skips that kind where the file
# system keeps no capabilities.
raw_path_start() {
  command -v setcap >/dev/null && command -v setpriv >/dev/null || {
    note "setcap or setpriv is missing: no raw-path runs"
    return 0
  }
  chmod 755 "$work"
  cp "$TAVRO_EXE" "$work/tavro-raw"
  if ! setcap cap_net_raw+ep "$work/tavro-raw" 2>/dev/null; then
    note "this file system keeps no capabilities: no raw-path runs"
    return 0
  fi
  mkdir -p "$work/config-raw"
  chown 65534:65534 "$work/config-raw"
  kinds+=(raw)
}

# tavro_command KIND ARGS...: the command that runs one build with ARGS,
# left in the array $cmd. env and setpriv exec the next program, so that a
# run started in the background keeps the program's own pid.
tavro_command() {
  local kind=$1
  shift
  case "$kind" in
    native) cmd=(env XDG_CONFIG_HOME="$work/config" "$TAVRO_EXE" "$@") ;;
    raw)
      cmd=(setpriv --reuid=65534 --regid=65534 --clear-groups
        env XDG_CONFIG_HOME="$work/config-raw" "$work/tavro-raw" "$@")
      ;;
    *) cmd=(env WINEPREFIX="$wine_prefix" WINEDEBUG=-all "$WINE_EXEC" "$TAVRO_WIN_EXE" "$@") ;;
  esac
}

# The raw kind runs while the client's ping sockets are closed to every group.
raw_path_enter() { in_client sysctl -qw net.ipv4.ping_group_range="1 0"; }
raw_path_leave() { in_client sysctl -qw net.ipv4.ping_group_range="0 2147483647"; }

# run_tavro KIND ARGS...: runs one build in the client namespace; leaves the
# exit code in $rc and the output in $work/out and $work/err.
run_tavro() {
  local kind=$1
  shift
  rc=0
  tavro_command "$kind" "$@"
  if [ "$kind" = native ]; then
    in_client timeout --foreground -k 5 "$TAVRO_RUN_TIMEOUT" "${cmd[@]}" \
      >"$work/out" 2>"$work/err" || rc=$?
  elif [ "$kind" = raw ]; then
    raw_path_enter
    in_client "${cmd[@]}" >"$work/out" 2>"$work/err" </dev/null || rc=$?
    raw_path_leave
  else
    in_client timeout --foreground -k 5 "$TAVRO_RUN_TIMEOUT" "${cmd[@]}" \
      >"$work/out" 2>"$work/err" </dev/null || rc=$?
  fi
}

# start_tavro KIND ARGS...: like run_tavro, but in the background, in a
# process group of its own so that SIGINT is not ignored as it is for a
# background job without job control. ip netns exec execs too: $pid is the
# program's own. interrupt_tavro ends it.
start_tavro() {
  started_kind=$1
  tavro_command "$@"
  [ "$started_kind" != raw ] || raw_path_enter
  set -m
  ip netns exec "$TW_NS_CLIENT" "${cmd[@]}" >"$work/out" 2>"$work/err" </dev/null &
  pid=$!
  set +m
}

# interrupt_tavro: sends SIGINT to the run start_tavro began and waits at
# most 20 s for its end (then kills it: $rc 124); leaves its exit code in
# $rc. Returns 1, showing the run, when the program had already ended:
# nothing was interrupted.
interrupt_tavro() {
  local sent=0
  kill -INT "$pid" 2>/dev/null && sent=1
  rc=0
  wait_for "$pid" 20 || rc=$?
  [ "$started_kind" != raw ] || raw_path_leave
  [ "$started_kind" != wine ] || set_aside_wine_client_errors
  [ "$sent" = 1 ] && return 0
  echo "      $started_kind: the program ended before the interrupt"
  show_run
  return 1
}

# Wine delivers SIGINT on a thread of its own, made for the console control
# event. That thread has been seen (once in several CI runs, in brief mode,
# where the program goes on to its normal end) to lose its connection to the
# wine server as the process exits, and Wine then writes "wine client
# error:<thread>: write: Bad file descriptor" to stderr. The line is Wine's,
# not the program's: it is set aside with a note, and everything else on
# stderr still fails the run.
wine_client_error='^wine client error:[0-9a-f]+: write: Bad file descriptor$'
set_aside_wine_client_errors() {
  local count
  count=$(grep -cE "$wine_client_error" "$work/err" || true)
  [ "$count" -gt 0 ] || return 0
  note "wine: $count line(s) of Wine's own \"wine client error: write: Bad file descriptor\" set aside"
  sed -i -E "/$wine_client_error/d" "$work/err"
}

# Matches one output line against one expected line with placeholders.
line_matches() {
  local actual=$1 expected=$2 pattern c i
  if [[ "$expected" != *"<ANY>"* && "$expected" != *"<N>"* ]]; then
    [ "$actual" = "$expected" ]
    return
  fi
  pattern=""
  for ((i = 0; i < ${#expected}; i++)); do
    c=${expected:i:1}
    case "$c" in
      [][\\*?\(\)\|@!+]) pattern+="\\$c" ;;
      *) pattern+=$c ;;
    esac
  done
  pattern=${pattern//<N>/+([0-9])}
  pattern=${pattern//<ANY>/+([!$'\r'])}
  # shellcheck disable=SC2053 # the pattern is meant to match
  [[ "$actual" == $pattern ]]
}

# Compares the output of the last run with the expected text.
output_matches() {
  local expected=$1 actual i
  actual=$(cat "$work/out"; echo x)
  actual=${actual%x}
  local -a want got
  mapfile -t want < <(printf '%s' "$expected")
  mapfile -t got < <(printf '%s' "$actual")
  [ "${#want[@]}" -eq "${#got[@]}" ] || return 1
  [ "${expected: -1}" = "${actual: -1}" ] || return 1
  for i in "${!want[@]}"; do
    line_matches "${got[$i]}" "${want[$i]}" || return 1
  done
}

show_run() {
  echo "      exit code $rc; stdout:"
  od -c "$work/out" | sed 's/^/      /' | head -n 30
  if [ -s "$work/err" ]; then
    echo "      stderr:"
    sed 's/^/      /' "$work/err" | head -n 10
  fi
}

# A Windows C runtime whose stdout is in text mode writes every "\n" as
# "\r\n"; say so when undoing that would have made the output match.
text_mode_hint() {
  local expected=$1
  grep -q $'\r\r$' "$work/out" || return 0
  cp "$work/out" "$work/out.raw"
  sed -i 's/\r$//' "$work/out"
  if output_matches "$expected"; then
    printf '      (stdout is in text mode: each \\n came out as \\r\\n, the rest matches)\n'
  fi
  mv "$work/out.raw" "$work/out"
}

# expect KIND NAME RC EXPECTED-STDOUT: checks the last run. Standard error
# must be empty: every text of a probe run goes to standard output.
expect() {
  local kind=$1 name=$2 want_rc=$3 expected
  printf -v expected '%b' "$4"
  if [ "$rc" = "$want_rc" ] && output_matches "$expected" && [ ! -s "$work/err" ]; then
    pass "$kind: $name"
  elif [ "$kind" = wine ] && [ -n "$wine_gap" ]; then
    gap "$kind: $name: $wine_gap"
    show_run
  else
    fail "$kind: $name (want exit $want_rc)"
    text_mode_hint "$expected"
    echo "      expected:"
    printf '%s' "$expected" | od -c | sed 's/^/      /' | head -n 30
    show_run
  fi
}

# check_case NAME RC EXPECTED-STDOUT ARGS...: runs every build with ARGS and
# checks each against the same expectation.
check_case() {
  local name=$1 want_rc=$2 expected=$3 kind
  shift 3
  for kind in "${kinds[@]}"; do
    run_tavro "$kind" "$@"
    expect "$kind" "$name" "$want_rc" "$expected"
  done
}

# Probes are counted where they arrive: an iptables rule without a target,
# put first in its chain, only counts what it matches.
count_rule() { # namespace chain address
  ip netns exec "$1" iptables -I "$2" 1 -d "$3" -p icmp --icmp-type echo-request
}
counted() { # namespace chain address
  ip netns exec "$1" iptables -L "$2" 1 -v -x -n | awk '{ print $1 }'
}

# Texts the program builds itself, escaped as expect wants them.
header() { printf '\\nBinging %s\\n\\n' "$1"; }
reply() { printf 'Reply from %s: bytes=%s time=<N>ms ttl=%s seq=%s\\r\\n' "$@"; }
status_reply() { printf 'Reply from %s: %s\\r\\n' "$1" "$2"; }
status_line() { printf '%s\\r\\n' "$1"; }
summary() {
  printf '\\nRoundtrip Summary:\\r\\nAverage: %s ms, Minimum: %s ms, Maximum: %s ms, Rate: %s%%\\r\\n' \
    "$1" "$2" "$3" "$4"
}
timed_summary() { summary '<N>' '<N>' '<N>' "$1"; }

# Run directly (ctest does, since every script here is a test), this file
# checks its own matching rules: a matcher that accepted too much would let
# every scenario pass.
lib_selftest() {
  work=$(mktemp -d /tmp/tavro-scenario.XXXXXX)
  trap 'rm -rf "$work"' EXIT
  rc=0
  selftest_case() {
    local name=$1 wanted=$2 output=$3 expected=$4 outcome=mismatch
    printf '%b' "$output" >"$work/out"
    : >"$work/err"
    local decoded
    printf -v decoded '%b' "$expected"
    output_matches "$decoded" && outcome=match
    if [ "$outcome" = "$wanted" ]; then pass "$name"; else fail "$name: $outcome"; fi
  }
  local ok
  ok="$(header 10.0.0.1)$(reply 10.0.0.1 32 63 0)$(timed_summary 100)"
  selftest_case "<N> takes any number" match \
    '\nBinging 10.0.0.1\n\nReply from 10.0.0.1: bytes=32 time=17ms ttl=63 seq=0\r\n\nRoundtrip Summary:\r\nAverage: 17 ms, Minimum: 3 ms, Maximum: 250 ms, Rate: 100%\r\n' "$ok"
  selftest_case "a missing carriage return is caught" mismatch \
    '\nBinging 10.0.0.1\n\nReply from 10.0.0.1: bytes=32 time=17ms ttl=63 seq=0\n\nRoundtrip Summary:\r\nAverage: 17 ms, Minimum: 3 ms, Maximum: 250 ms, Rate: 100%\r\n' "$ok"
  selftest_case "a doubled carriage return is caught" mismatch \
    '\r\nBinging 10.0.0.1\r\n\r\nReply from 10.0.0.1: bytes=32 time=17ms ttl=63 seq=0\r\r\n\r\nRoundtrip Summary:\r\r\nAverage: 17 ms, Minimum: 3 ms, Maximum: 250 ms, Rate: 100%\r\r\n' "$ok"
  selftest_case "the rate is exact" mismatch \
    '\nBinging 10.0.0.1\n\nReply from 10.0.0.1: bytes=32 time=17ms ttl=63 seq=0\r\n\nRoundtrip Summary:\r\nAverage: 17 ms, Minimum: 3 ms, Maximum: 250 ms, Rate: 50%\r\n' "$ok"
  selftest_case "a time that is no number is caught" mismatch \
    '\nBinging 10.0.0.1\n\nReply from 10.0.0.1: bytes=32 time=ms ttl=63 seq=0\r\n\nRoundtrip Summary:\r\nAverage: 17 ms, Minimum: 3 ms, Maximum: 250 ms, Rate: 100%\r\n' "$ok"
  selftest_case "a zero in the expected summary is exact" mismatch \
    '\nRoundtrip Summary:\r\nAverage: 5 ms, Minimum: 0 ms, Maximum: 0 ms, Rate: 0%\r\n' "$(summary 0 0 0 0)"
  selftest_case "an extra line is caught" mismatch \
    'Error: x\r\nError: y\r\n' 'Error: <ANY>\r\n'
  selftest_case "a missing final line end is caught" mismatch \
    'Error: No such host is known. \r' 'Error: <ANY>\r\n'
  selftest_case "<ANY> takes a system text" match \
    'Error: No such host is known. \r\n' 'Error: <ANY>\r\n'
  selftest_case "<ANY> needs at least one character" mismatch \
    'Error: \r\n' 'Error: <ANY>\r\n'
  selftest_case "<ANY> does not swallow a carriage return" mismatch \
    'Error: No such host is known. \r\r\n' 'Error: <ANY>\r\n'
  selftest_case "glob characters in expected text are literal" mismatch \
    'Host a is up.\r\n' 'Host * is <ANY>.\r\n'
  selftest_case "brief line" match 'Host 10.0.0.1 is up.\r\n' 'Host 10.0.0.1 is up.\r\n'
  scenario_finish
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  lib_selftest
fi
