#!/usr/bin/env bash
# Command lines the parser rejects or answers itself (usage, version), the
# spellings of other tools (-h, --help, --version alone; a target that starts
# with "-"), and option values the program refuses before any probe.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"

banner=$'tavro (tavro) v1.2.0.0\nCopyright (C) 2026 velmorasoft\n'
banner+=$'------------------------------------------\n'

check_run() {
  local runner=$1 e=$2 label=$3 args
  # -h, --help and --version mean anything only alone; "-c 1 host" is two
  # targets, as it always was.
  local rejected=("" "/p 5 127.0.0.1" "/C 10 127.0.0.1" "/c x 127.0.0.1"
                  "/c 1 /c 2 127.0.0.1" "/s" "/z 127.0.0.1" "/h 127.0.0.1"
                  "-c 1 127.0.0.1" "-h 127.0.0.1" "--version 127.0.0.1")
  for args in "${rejected[@]}"; do
    # shellcheck disable=SC2086 # the words are the arguments
    $runner $args
    expect_rc 1 "$label [$args]"
    expect_out "$banner"$'\n' "$label [$args] banner and empty line"
    [[ "$err" == "PARSE ERROR:"* ]] || fail "$label [$args]: stderr $(printf %q "$err")"
  done

  local usage
  for args in "/?" "/help" "-h" "--help"; do
    $runner "$args"
    expect_rc 0 "$label $args"
    [[ "$out" == *"USAGE:"*"<host>"* ]] || fail "$label $args: no usage text"
    [[ "$out" != "tavro (tavro)"* ]] || fail "$label $args: usage starts with the banner"
    [ -z "$err" ] || fail "$label $args: stderr $(printf %q "$err")"
    [ "$args" = "/?" ] && usage=$out
    [ "$out" == "$usage" ] || fail "$label $args: the usage differs from that of /?"
  done

  for args in "/version" "--version"; do
    $runner "$args"
    expect_rc 0 "$label $args"
    expect_out "$banner" "$label $args"
    [ -z "$err" ] || fail "$label $args: stderr $(printf %q "$err")"
  done

  # A target that starts with "-" is no host name: the usual error line of
  # a name that does not resolve, then where options start.
  local hint='Options start with / instead of - \(for example /c 2\)\.'
  for args in "-c" "-5" "--count" "-n:80" "/c 2 -v" "--help /c 2"; do
    # shellcheck disable=SC2086
    $runner $args
    expect_rc 1 "$label [$args]"
    expect_out_matches "^Error: [^"$'\n'"]+$e$hint$e\$" "$label [$args]"
    [[ "$out" != *"Binging"* ]] || fail "$label [$args]: probed"
  done
  # Other names that do not resolve get no hint; "/h" alone is a target to
  # the parser, as it always was.
  for args in no-such-host.invalid /h; do
    $runner "$args"
    expect_rc 1 "$label $args"
    expect_out_matches "^Error: [^"$'\n'"]+$e\$" "$label $args"
  done

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
