#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses what was installed: the
# manual page documents every option the program accepts, the ICMP right lets
# an ordinary user probe loopback, and the components' SDK holds: the library
# exports the twenty flat functions and nothing else under a versioned SONAME,
# and C programs built through pkg-config and through find_package run against
# the installed files alone.
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

for f in bin/tavro share/man/man1/tavro.1 share/man/man3/IPPort.3 share/man/man3/IPInfo.3 \
  include/velmora_components.h include/velmora_components_ids.h \
  include/velmora_components_version.h; do
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
  local p
  for p in man1/tavro.1 man3/IPPort.3 man3/IPInfo.3; do
    warnings="$(MANWIDTH=80 man --warnings -l "$prefix/share/man/$p" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "manual page $p warnings: $warnings"
  done
  for section in NAME SYNOPSIS OPTIONS "EXIT STATUS" "STORED DEFAULTS" SOUNDS COMPONENTS \
    PROXIES EXAMPLES FILES; do
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
  # A program holding a capability runs in the loader's secure mode, which
  # ignores LD_LIBRARY_PATH: the installed file finds the library only in a
  # system folder. The build's own tavro, whose run path names the build's
  # library, is given the same right for the run.
  local out granted="$work/granted-tavro"
  cp "$TAVRO_EXE" "$granted"
  setcap "$(getcap "$tavro" | awk '{print $NF}')" "$granted"
  out="$(as_nobody "$granted" /c 1 127.0.0.1 2>&1)"
  [ $? -eq 0 ] || fail "ordinary user with cap_net_raw could not probe: $out"
  grep -q "Reply from 127.0.0.1: bytes=32" <<<"$out" || fail "no reply line: $out"
  cp "$TAVRO_EXE" "$work/plain-tavro"
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

# --- The components as an SDK, used as a C programmer would.
check_sdk() {
  local lib soname exports
  lib="$(find "$prefix" -name 'libvelmora_components.so.*.*' -print -quit)"
  [ -n "$lib" ] || { fail "the components library was not installed"; return; }
  libdir="$(dirname "$lib")"
  [ -L "$libdir/libvelmora_components.so" ] || fail "no libvelmora_components.so link"
  soname="$(readelf -d "$lib" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')"
  [ "$soname" = "libvelmora_components.so.${version%%.*}" ] || fail "SONAME is \"$soname\""
  [ -e "$libdir/$soname" ] || fail "$soname is not installed"
  exports="$(nm -D --defined-only "$lib" | awk '{print $3}' | sort | tr '\n' ' ')"
  [ "$exports" = "$flat_functions" ] || fail "the library exports: $exports"

  command -v cc >/dev/null || { echo "no C compiler; examples not built" >&2; return; }
  local flags
  flags="$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs velmora-components)" ||
    { fail "pkg-config does not know velmora-components"; return; }
  cc -std=c99 -Wall -Wextra -Werror "$TAVRO_SOURCE_DIR/examples/component_example.c" $flags \
    -o "$work/example" 2>"$work/cc.log" ||
    { fail "example does not build with pkg-config: $(cat "$work/cc.log")"; return; }
  run_example "$work/example" pkg-config
  check_resolve_example "$flags"

  command -v make >/dev/null || { echo "no make; CMake example not built" >&2; return; }
  mkdir -p "$work/cmake-project"
  cp "$TAVRO_SOURCE_DIR/examples/component_example.c" "$work/cmake-project/"
  cat >"$work/cmake-project/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(uses_components C)
find_package(velmora_components 1 REQUIRED)
add_executable(example component_example.c)
target_link_libraries(example PRIVATE velmora_components::velmora_components)
EOF
  if cmake -S "$work/cmake-project" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
    >"$work/cmake.log" 2>&1 && cmake --build "$work/cmake-build" >>"$work/cmake.log" 2>&1; then
    run_example "$work/cmake-build/example" find_package
  else
    fail "example does not build with find_package: $(tail -20 "$work/cmake.log")"
  fi
}

# The program of the SDK's manual page: names only from the header, a name
# resolved with IPInfo (localhost, from the hosts file, inside this test's
# private network) and a connection with IPPort to a loopback listener.
check_resolve_example() {
  local out port
  if ! cc -std=c99 -Wall -Wextra -Werror "$TAVRO_SOURCE_DIR/examples/resolve_and_connect.c" $1 \
    -o "$work/resolve" 2>"$work/cc.log"; then
    fail "resolve_and_connect does not build: $(cat "$work/cc.log")"
    return
  fi
  port=$(listen_once)
  out="$(LD_LIBRARY_PATH="$libdir" "$work/resolve" localhost "$port" 2>&1)"
  [ $? -eq 0 ] && grep -q "Resolve: localhost is 127.0.0.1" <<<"$out" &&
    grep -q "Connect: 0 OK" <<<"$out" || fail "resolve_and_connect: $out"
}

# run_example PROGRAM HOW: connects to a loopback listener, then to a closed port.
run_example() {
  local out port
  port=$(listen_once)
  out="$(LD_LIBRARY_PATH="$libdir" "$1" "$port" 2>&1)"
  [ $? -eq 0 ] || fail "$2 example failed: $out"
  grep -q "Timeout: 2" <<<"$out" || fail "$2 example could not use the component: $out"
  grep -q "Connect: 0 OK" <<<"$out" || fail "$2 example did not connect to the listener: $out"
  out="$(LD_LIBRARY_PATH="$libdir" "$1" 1 2>&1)"
  grep -q "Connect: 10061" <<<"$out" || fail "$2 example did not see the refused port: $out"
}


version="$(sed -n 's/^project(tavro VERSION \([0-9.]*\).*/\1/p' "$TAVRO_SOURCE_DIR/CMakeLists.txt")"
flat_functions="$(for c in IPInfo IPPort; do
  for f in CheckIndex Create Destroy Do Get GetLastError GetLastErrorCode Set StaticDestroy StaticInit; do
    echo "${c}_$f"
  done
done | sort | tr '\n' ' ')"
check_sdk

finish
