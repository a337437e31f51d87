#!/usr/bin/env bash
# The per-user settings file under pressure (native build): fifty runs storing
# defaults at once, and runs killed at random moments while storing, always
# leave a readable values file holding, for every name, a value that some
# run wrote in full.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
use_icmp_path datagram

settings="$XDG_CONFIG_HOME/tavro/settings"
section='[HKEY_CURRENT_USER\Software\velmorasoft\toolvane\tavro]'
names=(packet_count packet_size packet_delay loop ping_quick ping_quick_comment
       sound_success sound_failure)

# Prints the stored values as "name decimal" lines; returns 1 (with the
# reason on stderr) on a first line that is not the key's, on any other
# line that is not one of the eight names as a
# dword, on a name given twice, or on a missing name. It runs in a command
# substitution, so the caller records the failure.
read_hive() {
  local line name hex seen=" "
  { IFS= read -r line && [ "$line" == "$section" ]; } <"$settings" ||
    { echo "first line $(printf %q "$line")" >&2; return 1; }
  while IFS= read -r line; do
    if [[ "$line" =~ ^\"([a-z_]+)\"=dword:([0-9a-f]{8})$ ]]; then
      name=${BASH_REMATCH[1]} hex=${BASH_REMATCH[2]}
      [[ " ${names[*]} " == *" $name "* ]] || { echo "unknown value $name" >&2; return 1; }
      [[ "$seen" != *" $name "* ]] || { echo "$name stored twice" >&2; return 1; }
      seen+="$name "
      echo "$name $((16#$hex))"
    else
      echo "unreadable line $(printf %q "$line")" >&2
      return 1
    fi
  done < <(tail -n +2 "$settings")
  for name in "${names[@]}"; do
    [[ "$seen" == *" $name "* ]] || { echo "$name missing" >&2; return 1; }
  done
}

value_of() { awk -v n="$1" '$1 == n { print $2 }' <<<"$2"; }

# Fifty concurrent runs, each storing its own count.
pids=()
for n in $(seq 1 50); do
  "$TAVRO_EXE" /w /c "$n" /d 0 127.0.0.1 >/dev/null 2>&1 &
  pids+=($!)
done
for pid in "${pids[@]}"; do
  wait_for "$pid" 60 || fail "a concurrent run failed"
done
if stored=$(read_hive); then
  count=$(value_of packet_count "$stored")
  if [ "$count" -lt 1 ] || [ "$count" -gt 50 ]; then
    fail "concurrent runs left count $count"
  fi
  [ "$(value_of packet_delay "$stored")" == 0 ] || fail "concurrent runs: delay not 0"
  [ "$(value_of packet_size "$stored")" == 32 ] || fail "concurrent runs: size not 32"
  run_native 127.0.0.1
  n=$(grep -c '^Reply from' <<<"$out")
  [ "$n" -eq "$count" ] || fail "next run sent $n probes, stored count $count"
else
  fail "concurrent runs left an unreadable settings file"
fi

# Runs killed at random moments while storing: each value is either the old
# one or the one being written, never anything else.
"$TAVRO_EXE" /w /c 100 /s 100 /d 0 127.0.0.1 >/dev/null 2>&1 || fail "baseline run failed"
written=" 100 "
for round in $(seq 1 40); do
  count=$((200 + round))
  "$TAVRO_EXE" /w /c "$count" /s 100 /d 0 127.0.0.1 >/dev/null 2>&1 &
  pid=$!
  sleep "0.0$((RANDOM % 10))"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  written+="$count "
  stored=$(read_hive) || {
    fail "round $round: unreadable settings file"
    break
  }
  current=$(value_of packet_count "$stored")
  [[ "$written" == *" $current "* ]] || fail "round $round: count $current was never written"
  [ "$(value_of packet_size "$stored")" == 100 ] || fail "round $round: size changed"
done
"$TAVRO_EXE" /w /c 3 /s 100 /d 0 127.0.0.1 >/dev/null 2>&1 || fail "run after the kills failed"
leftovers=$(find "${settings%/*}" -name 'settings.new' | wc -l)
[ "$leftovers" -eq 0 ] || fail "$leftovers temporary files left after a complete run"
stored=$(read_hive) || fail "unreadable settings file after the kills"
[ "$(value_of packet_count "$stored")" == 3 ] || fail "final store lost"
finish
