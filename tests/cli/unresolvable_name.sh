#!/usr/bin/env bash
# A target name that cannot be resolved (the only resolver is a loopback
# port where nothing listens) ends the run with one error line and code 1.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"

check_run() {
  local runner=$1 e=$2 label=$3 args
  for args in "no-such-host.invalid" "/b no-such-host.invalid" "no-such-host.invalid:80"; do
    # shellcheck disable=SC2086
    $runner $args
    expect_rc 1 "$label [$args]"
    # The text is the system's own, so only its frame is compared.
    expect_out_matches "^Error: [^"$'\n'"]+$e\$" "$label [$args]"
    [[ "$out" != *"Reply from"* && "$out" != *"Binging"* ]] || fail "$label [$args]: probed"
  done
}

check_run run_native $'\r\n' "native"
if windows_available; then
  check_run run_windows $'\r\n' "windows"
else
  echo "note: no Windows build given, Wine half skipped" >&2
fi
finish
