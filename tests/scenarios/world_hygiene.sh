#!/usr/bin/env bash
# The test world itself: quick to start, sealed off from the host's network,
# and gone without a trace after down, after a failing command and after an
# interrupt. Needs no tavro binary.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${TAVRO_SOURCE_DIR:=$(cd "$here/../.." && pwd)}"
TESTWORLD="$TAVRO_SOURCE_DIR/scripts/testworld"
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok    $*"; }
fail() { failed=$((failed + 1)); echo "FAIL  $*"; }
skip() { echo "SKIP: $*" >&2; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "network namespaces need root"
for tool in ip iptables dnsmasq socat tcpdump; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
unshare -n true 2>/dev/null || skip "cannot create a network namespace here"

work=$(mktemp -d /tmp/tavro-hygiene.XXXXXX)
ids=()
capture_pid=""
cleanup() {
  local id
  trap '' INT TERM HUP
  stop_watchdog
  [ -n "$capture_pid" ] && kill "$capture_pid" 2>/dev/null
  for id in "${ids[@]}"; do "$TESTWORLD" down "$id" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
# shellcheck source=../bounds.bash
source "$TAVRO_SOURCE_DIR/tests/bounds.bash"
start_watchdog

# Everything a world of this id could leave behind, one item per line.
leftovers() {
  local id=$1
  ip netns list | awk '{print $1}' | grep "^$id-" || true
  [ -e "/etc/netns/$id-client" ] && echo "/etc/netns/$id-client"
  [ -e "/tmp/tavro-world.$id" ] && echo "/tmp/tavro-world.$id"
  pgrep -f "tavro-world.$id" || true
  return 0
}

world_id_of() { sed -n 's/^TW_ID=//p' "$1"; }

# Start-up time and two worlds side by side.
start=$(date +%s%N)
"$TESTWORLD" up >"$work/a.env"
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
a=$(world_id_of "$work/a.env"); ids+=("$a")
# How long a world takes is a figure for bench/, not a pass mark: a loaded
# machine is slow without anything being wrong.
if [ -s "$work/a.env" ]; then pass "world up (${elapsed_ms} ms)"; else fail "world up wrote no environment"; fi
"$TESTWORLD" up >"$work/b.env"
b=$(world_id_of "$work/b.env"); ids+=("$b")
if [ "$a" != "$b" ] && ip netns exec "$b-client" ping -n -c 1 -W 2 10.97.1.2 >/dev/null &&
    ip netns exec "$a-client" ping -n -c 1 -W 2 10.97.1.2 >/dev/null; then
  pass "two worlds run side by side"
else
  fail "two worlds side by side ($a, $b)"
fi

# Sealed: no default route anywhere, and every link is loopback or a veth
# whose peer sits in a namespace of the same world.
sealed=yes
for host in client r1 r2 target dns; do
  ns="$a-$host"
  if [ -n "$(ip -n "$ns" route show default)$(ip -n "$ns" -6 route show default)" ]; then
    sealed="no: default route in $host"
  fi
  while read -r line; do
    case "$line" in
      *" lo: "*) ;;
      *"link-netns $a-"*) ;;
      *) sealed="no: $host has $line" ;;
    esac
  done < <(ip -n "$ns" -o link show)
done
if [ "$sealed" = yes ]; then pass "no route or link out of the world"; else fail "world not sealed: $sealed"; fi

# Nothing from the world shows up on the host's own interfaces while traffic
# of every kind runs inside it. The capture also takes a loopback packet of
# our own, which proves that it was listening.
tcpdump -i any -n -U -w "$work/host.pcap" 'net 10.97.0.0/16 or net fd77::/48 or (host 127.0.0.1 and udp port 9)' \
  2>"$work/tcpdump.err" &
capture_pid=$!
# The control packet is sent until the capture shows it, so the capture is
# known to be live before the world's traffic starts.
own=0
for _ in $(seq 1 50); do
  echo marker | socat -u - UDP:127.0.0.1:9 2>/dev/null || true
  sleep 0.1
  own=$(tcpdump -r "$work/host.pcap" -n 'udp port 9' 2>/dev/null | wc -l)
  [ "$own" -ge 1 ] && break
done
"$TESTWORLD" run -- sh -c '
  for a in $TW_ECHO $TW_DROP $TW_NET_UNREACH $TW_PORT_UNREACH $TW_TTL_EXPIRE; do
    ping -n -c 1 -W 1 $a >/dev/null
  done
  for a in $TW_ECHO6 $TW_DROP6 $TW_NO_ROUTE6 $TW_HOP_LOOP6; do
    ping -6 -n -c 1 -W 1 $a >/dev/null
  done
  getent hosts $TW_NAME_ECHO $TW_NAME_MISSING >/dev/null
  socat -u OPEN:/dev/null TCP:$TW_ECHO:$TW_TCP_OPEN,connect-timeout=1 2>/dev/null
  socat -u OPEN:/dev/null "TCP6:[$TW_ECHO6]:$TW_TCP_OPEN,connect-timeout=1" 2>/dev/null
  exit 0' || true
sleep 0.3
kill "$capture_pid"; wait "$capture_pid" 2>/dev/null || true; capture_pid=""
from_world=$(tcpdump -r "$work/host.pcap" -n 'net 10.97.0.0/16 or net fd77::/48' 2>/dev/null | wc -l)
if [ "$own" -ge 1 ] && [ "$from_world" -eq 0 ]; then
  pass "host capture: 0 packets from the world (control packet seen)"
else
  fail "host capture: $from_world packets from the world, $own control packets"
fi

# down removes everything, including the world's processes.
pids=""
for host in client r1 r2 target dns; do
  pids+=" $(ip netns pids "$a-$host") $(ip netns pids "$b-$host")"
done
"$TESTWORLD" down "$work/a.env"
"$TESTWORLD" down "$b"
# A killed process may linger as a zombie until its new parent reaps it;
# that is no running leftover.
alive=""
for pid in $pids; do
  state=$(ps -o stat= -p "$pid" 2>/dev/null || true)
  [ -n "$state" ] && [ "${state:0:1}" != Z ] && alive+=" $pid"
done
if [ -n "${pids// /}" ] && [ -z "$alive$(leftovers "$a")$(leftovers "$b")" ]; then
  pass "down leaves nothing behind (processes$pids gone)"
else
  fail "left after down: $(leftovers "$a") $(leftovers "$b") processes:$alive"
fi

# run passes the command's exit status on and tears down after a failure.
rc=0
"$TESTWORLD" run -- sh -c 'echo "$TW_ID" >'"$work/run.id"'; exit 7' || rc=$?
id=$(cat "$work/run.id")
if [ "$rc" -eq 7 ] && [ -n "$id" ] && [ -z "$(leftovers "$id")" ]; then
  pass "run keeps the exit status (7) and tears down"
else
  fail "run after a failing command: exit $rc, left: $(leftovers "$id")"
fi

# An interrupt, sent to the whole process group as a terminal would.
for sig in INT:130 TERM:143; do
  want=${sig#*:} sig=${sig%:*}
  rm -f "$work/run.id"
  set -m
  "$TESTWORLD" run -- sh -c 'echo "$TW_ID" >'"$work/run.id"'; sleep 30' &
  pid=$!
  set +m
  for _ in $(seq 1 1200); do [ -s "$work/run.id" ] && break; sleep 0.05; done
  kill -s "$sig" -- "-$pid"
  rc=0
  wait_for "$pid" 60 || rc=$?
  id=$(cat "$work/run.id")
  if [ "$rc" -eq "$want" ] && [ -n "$id" ] && [ -z "$(leftovers "$id")" ]; then
    pass "SIG$sig during run tears the world down (exit $rc)"
  else
    fail "SIG$sig during run: exit $rc (want $want), left: $(leftovers "$id")"
  fi
done

# A signal while a world is being built removes what was built so far.
for sig in TERM:143 INT:130 HUP:129; do
  want=${sig#*:} sig=${sig%:*}
  # Its own process group, so that SIGINT is not ignored as in a background
  # job; the world's id starts with the pid of the script that builds it.
  set -m
  "$TESTWORLD" up >/dev/null 2>&1 &
  pid=$!
  set +m
  sleep 0.3
  kill -s "$sig" "$pid"
  rc=0
  wait_for "$pid" 60 || rc=$?
  left=""
  for dir in /tmp/tavro-world.tw"$pid"????; do
    [ -e "$dir" ] && left+=" $dir"
  done
  left+=$(ip netns list | awk '{print $1}' | grep -E "^tw$pid[0-9a-f]{4}-" | tr '\n' ' ' || true)
  if [ "$rc" -eq "$want" ] && [ -z "$left" ]; then
    pass "SIG$sig during up removes the half-built world (exit $rc)"
  else
    fail "SIG$sig during up: exit $rc (want $want), left:$left"
  fi
done

# A scenario ended half-way leaves neither its world, nor its scratch
# directory, nor a Wine server behind: interrupted from the terminal (the
# whole process group), sent SIGTERM alone, or run past its own deadline,
# which it meets while its world is still being built.
#   ended_scenario LABEL HOW [ENV...]   HOW: group-int, term, none
ended_scenario() {
  local label=$1 how=$2 before_worlds before_dirs new_worlds new_dirs
  shift 2
  before_worlds=$("$TESTWORLD" list | sort)
  before_dirs=$(find /tmp -maxdepth 1 -name 'tavro-scenario.*' | sort)
  set -m
  env "$@" bash "$here/icmp_errors.sh" >"$work/ended.log" 2>&1 &
  pid=$!
  set +m
  if [ "$how" != none ]; then
    for _ in $(seq 1 1200); do
      grep -q "^ok" "$work/ended.log" && break
      sleep 0.05
    done
  fi
  case "$how" in
    group-int) kill -INT -- "-$pid" ;;
    term) kill -TERM "$pid" ;;
  esac
  rc=0
  wait_for "$pid" 60 || rc=$?
  new_worlds=$(comm -13 <(echo "$before_worlds") <("$TESTWORLD" list | sort))
  new_dirs=$(comm -13 <(echo "$before_dirs") <(find /tmp -maxdepth 1 -name 'tavro-scenario.*' | sort))
  if [ "$rc" -ne 0 ] && [ "$rc" -ne 124 ] && [ -z "$new_worlds$new_dirs" ] &&
    { [ "$how" = none ] || grep -q "^ok" "$work/ended.log"; }; then
    pass "$label: the scenario cleans up (exit $rc)"
  else
    fail "$label: exit $rc, worlds left: $new_worlds, directories left: $new_dirs"
    sed 's/^/      /' "$work/ended.log" | tail -n 5
  fi
}

if [ -n "${TAVRO_EXE:-}" ] && [ -x "$TAVRO_EXE" ]; then
  ended_scenario "SIGINT to the process group" group-int
  ended_scenario "SIGTERM to the script alone" term
  ended_scenario "deadline during the world's build" none TAVRO_TEST_DEADLINE=1
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
