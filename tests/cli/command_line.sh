#!/usr/bin/env bash
# Command lines the parser rejects or answers itself (usage, version), and
# option values the program refuses before any probe.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"

banner=$'tavro (tavro) v1.2.0.0\nCopyright (C) 2026 velmorasoft\n'
banner+=$'------------------------------------------\n'

check_run() {
  local runner=$1 e=$2 label=$3 args
  local rejected=("" "/p 5 127.0.0.1" "/C 10 127.0.0.1" "/c x 127.0.0.1"
                  "/c 1 /c 2 127.0.0.1" "/s" "/z 127.0.0.1")
  for args in "${rejected[@]}"; do
    # shellcheck disable=SC2086 # the words are the arguments
    $runner $args
    expect_rc 1 "$label [$args]"
    expect_out "$banner"$'\n' "$label [$args] banner and empty line"
    [[ "$err" == "PARSE ERROR:"* ]] || fail "$label [$args]: stderr $(printf %q "$err")"
  done

  for args in "/?" "/help"; do
    $runner "$args"
    expect_rc 0 "$label $args"
    [[ "$out" == *"USAGE:"*"<host>"* ]] || fail "$label $args: no usage text"
    [[ "$out" != "tavro (tavro)"* ]] || fail "$label $args: usage starts with the banner"
    [ -z "$err" ] || fail "$label $args: stderr $(printf %q "$err")"
  done

  $runner /version
  expect_rc 0 "$label /version"
  expect_out "$banner" "$label /version"

  for args in "/s 70000" "/s -1"; do
    # shellcheck disable=SC2086
    $runner $args 127.0.0.1
    expect_rc 1 "$label [$args]"
    expect_out_matches "^Error: [^"$'\n'"]+$e\$" "$label [$args]"
  done
}

check_run run_native $'\r\n' "native"
if windows_available; then
  banner=${banner//$'\r'/}
  check_run run_windows $'\r\n' "windows"
else
  echo "note: no Windows build given, Wine half skipped" >&2
fi
finish
