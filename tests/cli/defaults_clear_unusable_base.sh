#!/usr/bin/env bash
# /x with a config folder that cannot exist (XDG_CONFIG_HOME names a regular
# file): no defaults exist afterwards, so the run says they were deleted,
# as any other run after which the key is gone does; nothing is created.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
use_icmp_path datagram

base="$work/not-a-directory"
printf 'a regular file\n' >"$base"
XDG_CONFIG_HOME="$base" run_native /x /c 1 127.0.0.1
expect_rc 0 "/x below a regular file"
[[ "$out" == $'Defaults have been deleted successfully.\n'* ]] ||
  fail "/x below a regular file: output $(printf %q "$out")"
[ "$(cat "$base")" == "a regular file" ] || fail "/x below a regular file changed the file"

# A missing base reads the same way.
XDG_CONFIG_HOME="$work/missing/config" run_native /x /c 1 127.0.0.1
[[ "$out" == $'Defaults have been deleted successfully.\n'* ]] ||
  fail "/x below a missing base: output $(printf %q "$out")"
finish
