#!/usr/bin/env bash
# Something other than a regular file where the settings file belongs
# (native build): a FIFO there once hung every run, /x included. Now
# such a key reads as unreadable, the run goes on with the built-in
# defaults, /w leaves it alone as it leaves an unparseable file, and /x
# removes it. A hang fails through the timeout.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
use_icmp_path datagram

folder="$XDG_CONFIG_HOME/tavro"
values="$folder/settings"

run_bounded() {
  timeout 20 "$TAVRO_EXE" "$@" >"$work/out" 2>"$work/err"
  rc=$?
  out=$(cat "$work/out")
}

replies() { grep -c '^Reply from 127\.0\.0\.1' <<<"$out"; }

mkdir -p -m 0700 "$folder"
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

# A file above 1 MiB is unreadable the same way, and refused at once.
mkdir -p -m 0700 "$folder"
{
  printf '[HKEY_CURRENT_USER\\Software\\velmorasoft\\toolvane\\tavro]\n'
  printf '"packet_size"=dword:00000010\n'
  head -c 1048576 /dev/zero | tr '\0' ';'
  printf '\n'
} >"$values"
run_bounded /c 1 /d 0 127.0.0.1
grep -q 'bytes=32 ' <<<"$out" || fail "a file above 1 MiB was read"
run_bounded /w /c 2 /d 0 127.0.0.1
[ "$(stat -c %s "$values")" -gt 1048576 ] || fail "/w replaced the file above 1 MiB"
run_bounded /x /c 1 /d 0 127.0.0.1
[ ! -e "$folder" ] || fail "/x left the file above 1 MiB"

# A symbolic link at the settings path is not followed: the key is
# unreadable, as with any file that is not tavro's own.
mkdir -p -m 0700 "$folder"
printf '[HKEY_CURRENT_USER\\Software\\velmorasoft\\toolvane\\tavro]\n"packet_count"=dword:00000002\n' >"$work/elsewhere.reg"
ln -sf "$work/elsewhere.reg" "$values"
run_bounded /d 0 127.0.0.1
expect_rc 0 "run with a symbolic link at the values path"
[ "$(replies)" -eq 4 ] || fail "symbolic link: $(replies) replies, expected the built-in 4"
run_bounded /x /c 1 /d 0 127.0.0.1
[ ! -e "$values" ] && [ ! -L "$values" ] || fail "/x left the symbolic link in place"
[ -f "$work/elsewhere.reg" ] || fail "/x removed the file the link pointed to"
finish
