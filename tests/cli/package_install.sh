#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses what was installed: the
# manual page documents every option the program accepts, the ICMP right lets
# an ordinary user probe loopback, and a C program builds and runs against the
# installed header and library alone.
set -uo pipefail
source "$(dirname "$0")/cli_lib.bash"

[ -n "${TAVRO_BUILD_DIR:-}" ] && [ -f "$TAVRO_BUILD_DIR/cmake_install.cmake" ] ||
  skip "TAVRO_BUILD_DIR holds no install rules"
enter_private_network

prefix="$work/prefix"
install_log="$work/install.log"
cmake --install "$TAVRO_BUILD_DIR" --prefix "$prefix" >"$install_log" 2>&1 ||
  fail "cmake --install: $(cat "$install_log")"
tavro="$prefix/bin/tavro"

for f in bin/tavro share/man/man1/tavro.1 include/velmora_components.h; do
  [ -f "$prefix/$f" ] || fail "$f was not installed"
done
cmp -s "$prefix/include/velmora_components.h" \
  "$TAVRO_SOURCE_DIR/components/include/velmora_components.h" ||
  fail "the installed header differs from the source"

# --- The manual page: renders cleanly and names every option of the usage text.
check_manual_page() {
  command -v man >/dev/null || { echo "no man; manual page not rendered" >&2; return; }
  local page warnings
  page="$(MANWIDTH=100 man -l "$prefix/share/man/man1/tavro.1" 2>/dev/null)"
  warnings="$(MANWIDTH=100 man --warnings -l "$prefix/share/man/man1/tavro.1" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "manual page warnings: $warnings"
  for section in NAME SYNOPSIS OPTIONS "EXIT STATUS" "STORED DEFAULTS" SOUNDS EXAMPLES; do
    grep -q "^$section" <<<"$page" || fail "manual page lacks the $section section"
  done
  # Every option heading of the usage text ("/c <count>,  /count <count>")
  # must be a heading of the page ("/c count, /count count"), arguments aside.
  local headings line
  headings="$(sed -E 's#(/[^ ,]+) [a-z0-9|]+#\1#g; s/^ +//' <<<"$page")"
  while IFS= read -r line; do
    line="$(sed -E 's/ <[^>]*>//g; s/, +/, /; s/^ +//; s/ +$//' <<<"$line")"
    grep -qxF -- "$line" <<<"$headings" || fail "manual page has no entry \"$line\""
  done < <("$tavro" /? 2>/dev/null | grep -E '^ +/([a-z?]+|/)( <[^>]*>)?(, +/[a-z_]+( <[^>]*>)?)?$')
  for code in 0 1 3 10; do
    grep -qE "^ +$code +" <<<"$page" || fail "manual page does not explain exit code $code"
  done
}
check_manual_page

# --- The ICMP right: an ordinary user outside ping_group_range probes loopback
# through the capability alone, and fails without it.
as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
check_icmp_right() {
  command -v getcap >/dev/null && command -v setpriv >/dev/null ||
    { echo "no getcap/setpriv; ICMP right not checked" >&2; return; }
  if ! getcap "$tavro" | grep -q cap_net_raw; then
    grep -q "Note: cap_net_raw could not be granted" "$install_log" ||
      fail "no capability and no note about it"
    echo "file system holds no capabilities here; ICMP right not checked" >&2
    return
  fi
  chmod 755 "$work" "$prefix" "$prefix/bin"
  sysctl -qw net.ipv4.ping_group_range="1 0"
  local out
  out="$(as_nobody "$tavro" /c 1 127.0.0.1 2>&1)"
  [ $? -eq 0 ] || fail "ordinary user with cap_net_raw could not probe: $out"
  grep -q "Reply from 127.0.0.1: bytes=32" <<<"$out" || fail "no reply line: $out"
  cp "$tavro" "$work/plain-tavro"
  out="$(as_nobody "$work/plain-tavro" /c 1 127.0.0.1 2>&1)"
  [ $? -eq 1 ] || fail "without the capability the run should end with 1: $out"
  grep -q "^Error: .*ping_group_range" <<<"$out" || fail "the error does not say what is missing: $out"
}
check_icmp_right

# TAVRO_NO_SETCAP leaves the file alone, as package builds need.
TAVRO_NO_SETCAP=1 cmake --install "$TAVRO_BUILD_DIR" --prefix "$work/plain" >/dev/null 2>&1 ||
  fail "install with TAVRO_NO_SETCAP failed"
if command -v getcap >/dev/null && getcap "$work/plain/bin/tavro" | grep -q cap_net_raw; then
  fail "TAVRO_NO_SETCAP still granted the capability"
fi

# --- The components as an SDK: the example builds from the installed files.
check_sdk() {
  local lib
  lib="$(find "$prefix" -name 'libvelmora_components.so' -print -quit)"
  [ -n "$lib" ] || { fail "the components library was not installed"; return; }
  command -v cc >/dev/null || { echo "no C compiler; example not built" >&2; return; }
  cc -std=c99 -Wall -Wextra -Werror -I"$prefix/include" \
    "$TAVRO_SOURCE_DIR/examples/component_example.c" -L"$(dirname "$lib")" \
    -lvelmora_components -o "$work/example" 2>"$work/cc.log" ||
    { fail "example does not build against the installed SDK: $(cat "$work/cc.log")"; return; }
  local out
  out="$(LD_LIBRARY_PATH="$(dirname "$lib")" "$work/example" 1 2>&1)"
  [ $? -eq 0 ] || fail "example failed: $out"
  grep -q "Timeout: 2" <<<"$out" || fail "example could not use the component: $out"
  grep -q "Connect: 10061" <<<"$out" || fail "example did not see the refused port: $out"
}
check_sdk

finish
