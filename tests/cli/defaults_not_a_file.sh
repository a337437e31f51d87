#!/usr/bin/env bash
# Something other than a regular file where the hive keeps its files (native
# build): a FIFO at the values path once hung every run, /x included. Now
# such a key reads as unreadable, the run goes on with the built-in
# defaults, /w leaves it alone as it leaves an unparseable file, and /x
# removes it. A hang fails through the timeout.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
use_icmp_path datagram

hive_dir="$XDG_CONFIG_HOME/tavro/registry/HKEY_CURRENT_USER/Software/velmorasoft/toolvane/tavro"
values="$hive_dir/.values.reg"

run_bounded() {
  timeout 20 "$TAVRO_EXE" "$@" >"$work/out" 2>"$work/err"
  rc=$?
  out=$(cat "$work/out")
}

replies() { grep -c '^Reply from 127\.0\.0\.1' <<<"$out"; }

mkdir -p "$hive_dir"
mkfifo "$values"
# Built-in defaults: four probes of 32 bytes.
run_bounded /d 0 127.0.0.1
[ "$rc" -ne 124 ] || fail "a FIFO at the values path hangs the run"
expect_rc 0 "run with a FIFO at the values path"
[ "$(replies)" -eq 4 ] || fail "FIFO: $(replies) replies, expected the built-in 4"
grep -q 'bytes=32 ' <<<"$out" || fail "FIFO: not the built-in size"

run_bounded /w /c 2 /d 0 127.0.0.1
[ "$rc" -ne 124 ] || fail "/w hangs on a FIFO at the values path"
[ -p "$values" ] || fail "/w replaced the FIFO; an unreadable key is never overwritten"

run_bounded /x /c 1 /d 0 127.0.0.1
[ "$rc" -ne 124 ] || fail "/x hangs on a FIFO at the values path"
expect_rc 0 "/x with a FIFO at the values path"
[ ! -e "$values" ] || fail "/x left the FIFO in place"

# A FIFO as the key's lock file: storing and clearing still end.
mkdir -p "$hive_dir"
mkfifo "$hive_dir/.lock"
run_bounded /w /c 2 /d 0 127.0.0.1
[ "$rc" -ne 124 ] || fail "/w hangs on a FIFO as the lock file"
run_bounded /d 0 127.0.0.1
[ "$rc" -ne 124 ] || fail "a FIFO as the lock file hangs the run"
run_bounded /x /c 1 /d 0 127.0.0.1
[ "$rc" -ne 124 ] || fail "/x hangs on a FIFO as the lock file"

# A symbolic link at the values path is not followed: the key is
# unreadable, as with any file that is not the hive's own.
mkdir -p "$hive_dir"
printf '"packet_count"=dword:00000002\n' >"$work/elsewhere.reg"
ln -sf "$work/elsewhere.reg" "$values"
run_bounded /d 0 127.0.0.1
expect_rc 0 "run with a symbolic link at the values path"
[ "$(replies)" -eq 4 ] || fail "symbolic link: $(replies) replies, expected the built-in 4"
run_bounded /x /c 1 /d 0 127.0.0.1
[ ! -e "$values" ] && [ ! -L "$values" ] || fail "/x left the symbolic link in place"
[ -f "$work/elsewhere.reg" ] || fail "/x removed the file the link pointed to"
finish
