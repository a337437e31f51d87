#!/usr/bin/env bash
# Stored defaults from the command line: /w stores the effective options,
# later runs start from them, /x deletes them; odd stored values follow the
# reading rules. Natively the values are looked at in the per-user settings
# file, under Wine in the Wine registry.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
use_icmp_path datagram

key='HKCU\Software\velmorasoft\toolvane\tavro'
settings="$XDG_CONFIG_HOME/tavro/settings"
section='[HKEY_CURRENT_USER\Software\velmorasoft\toolvane\tavro]'
defaults_text=$'packet_count=4\npacket_size=32\npacket_delay=150\nloop=0\nping_quick=0\n'
defaults_text+=$'ping_quick_comment=0\nsound_success=0\nsound_failure=0'

# stored_* print the stored values as name=decimal lines, in stored order.
stored_native() {
  [ -f "$settings" ] || return 0
  sed -nE 's/^"([a-z_]+)"=dword:([0-9a-f]{8})$/\1 \2/p' "$settings" |
    while read -r name hex; do echo "$name=$((16#$hex))"; done
}

stored_windows() {
  "$wine_exec" reg query "$key" 2>/dev/null | tr -d '\r' |
    while read -r name type value; do
      [ "$type" == REG_DWORD ] && echo "$name=$((value))"
    done | sort
}

# put_* name kind: store one value as another program might (kind: dword2,
# dword1 or string1).
put_native() {
  local line
  case "$2" in
    dword2) line="\"$1\"=dword:00000002" ;;
    dword1) line="\"$1\"=dword:00000001" ;;
    string1) line="\"$1\"=\"1\"" ;;
  esac
  mkdir -p -m 0700 "${settings%/*}"
  printf '%s\n%s\n' "$section" "$line" >"$settings"
}

put_windows() {
  case "$2" in
    dword2) "$wine_exec" reg add "$key" /v "$1" /t REG_DWORD /d 2 /f ;;
    dword1) "$wine_exec" reg add "$key" /v "$1" /t REG_DWORD /d 1 /f ;;
    string1) "$wine_exec" reg add "$key" /v "$1" /t REG_SZ /d 1 /f ;;
  esac >/dev/null 2>&1
}

replies() { grep -c '^Reply from 127\.0\.0\.1' <<<"$out"; }

expect_replies() {
  local n
  n=$(replies)
  [ "$n" -eq "$1" ] || fail "$2: $n replies, expected $1"
}

# The settings file keeps the order of writing; Wine lists values sorted by name.
expect_stored() {
  local got want=$1
  got=$($stored)
  if [ "$stored" == stored_windows ]; then
    want=$(sort <<<"$want")
    want=${want#$'\n'}
  fi
  [ "$got" == "$want" ] || fail "$2: stored $(printf %q "$got"), expected $(printf %q "$want")"
}

check_run() {
  local runner=$1 stored=$2 put=$3 e=$4 label=$5
  deleted=$'Defaults have been deleted successfully.\n'

  $runner /w 127.0.0.1
  expect_rc 0 "$label /w"
  expect_replies 4 "$label /w probes"
  expect_stored "$defaults_text" "$label /w on no key"

  $runner /w /c 10 /d 0 127.0.0.1
  $runner 127.0.0.1
  expect_replies 10 "$label after storing count 10"
  $runner /c 2 127.0.0.1
  expect_replies 2 "$label /c 2 over stored 10"
  $runner /w /c 2 /s 16 127.0.0.1
  expect_stored "$(sed -e 's/count=4/count=2/;s/size=32/size=16/;s/delay=150/delay=0/' \
    <<<"$defaults_text")" "$label /w /c 2 keeps the other stored values"

  $runner /x 127.0.0.1
  expect_rc 0 "$label /x"
  [[ "$out" == "$deleted"$'\n'"Binging 127.0.0.1"* ]] || fail "$label /x: $(printf %q "$out")"
  expect_replies 4 "$label /x probes with built-in count"
  expect_stored "" "$label /x deletes"
  if [ "$stored" == stored_native ]; then
    left=$(find "$XDG_CONFIG_HOME" -mindepth 1)
    [ -z "$left" ] || fail "$label /x left $(printf %q "$left")"
  fi
  $runner /x /d 0 127.0.0.1
  [[ "$out" == "$deleted"* ]] || fail "$label /x on no key: $(printf %q "$out")"

  $runner /w /c 7 /d 0 127.0.0.1
  $runner /x /w /c 3 /d 0 127.0.0.1
  [[ "$out" == "$deleted"* ]] || fail "$label /x /w: $(printf %q "$out")"
  expect_replies 3 "$label /x /w probes"
  expect_stored "" "$label /x /w stores nothing"

  local kind
  for kind in dword2 string1; do
    $put ping_quick "$kind"
    $runner /c 1 127.0.0.1
    expect_replies 1 "$label ping_quick stored as $kind reads as off"
  done
  $put ping_quick dword1
  $runner /c 1 127.0.0.1
  expect_out "Host 127.0.0.1 is up.$e" "$label ping_quick stored as 1"
  $runner /c 1 /v 127.0.0.1
  expect_replies 1 "$label /v over a stored brief"
  $runner /x 127.0.0.1
}

check_run run_native stored_native put_native $'\r\n' "native"

# A values file that cannot be read: built-in defaults, nothing printed, and
# the file is left exactly as it was by loads and by /w.
mkdir -p -m 0700 "${settings%/*}"
printf '%s\n"packet_count"=dword:0000000a\n"packet_size"=hex:0\n' "$section" >"$settings"
before=$(sha256sum <"$settings")
run_native /d 0 127.0.0.1
expect_rc 0 "damaged file"
expect_replies 4 "damaged file gives built-in count"
[[ "$out" == $'\nBinging 127.0.0.1\n\n'* ]] || fail "damaged file: $(printf %q "$out")"
run_native /w /c 9 /d 0 127.0.0.1
expect_rc 0 "/w over a damaged file"
[ "$(sha256sum <"$settings")" == "$before" ] || fail "damaged file was rewritten"
run_native /x /d 0 127.0.0.1
[ ! -e "${settings%/*}" ] || fail "/x left the damaged file"

if windows_available; then
  check_run run_windows stored_windows put_windows $'\r\n' "windows"
else
  echo "note: no Windows build given, Wine half skipped" >&2
fi
finish
