#!/usr/bin/env bash
# Installs the Windows build the way the zip is laid out and runs the result
# under Wine from an unrelated folder whose name has a space: tavro.exe needs
# nothing beside it, and /version shows the banner of its version resource.
# The README of the zip names every long option the program accepts. The
# components' SDK of the zip works as a C programmer would use it: both
# examples build with mingw from the unpacked files against the shipped
# import library and run under Wine (a connect to a loopback listener
# succeeds); the MSVC import library names the twenty functions, with the
# stdcall decoration on i686. TAVRO_WIN32_EXE may name an i686 build as well;
# it runs only where Wine has its 32-bit half.
set -uo pipefail
source "$(dirname "$0")/cli_lib.bash"

win_build="$(dirname "${TAVRO_WIN_EXE:-/nonexistent/x}")"
[ -f "$win_build/cmake_install.cmake" ] || skip "no Windows build given in TAVRO_WIN_EXE"
command -v wine >/dev/null || skip "wine is missing"
enter_private_network
windows_available || skip "the Windows build cannot run here"

stage="$work/zip"
cmake --install "$win_build" --prefix "$stage" >"$work/install.log" 2>&1 ||
  { fail "install of the Windows build: $(cat "$work/install.log")"; finish; }
exe="$(find "$stage" -name tavro.exe)"
case "$exe" in
  "$stage/x86_64/tavro.exe" | "$stage/i686/tavro.exe") ;;
  *) fail "tavro.exe is not in an architecture folder: $exe" ;;
esac
for f in README.txt LICENSE.txt include/velmora_components.h examples/component_example.c \
  examples/ipinfo_properties.c; do
  [ -f "$stage/$f" ] || fail "$f is missing from the zip layout"
done

elsewhere="$work/some folder"
mkdir -p "$elsewhere"
cp "$exe" "$elsewhere/"
banner="$(cd / && wine "$elsewhere/tavro.exe" /version 2>/dev/null)"
rc=$?
[ "$rc" -eq 0 ] || fail "/version under Wine exited with $rc"
native_banner="$("$TAVRO_EXE" /version 2>/dev/null)"
[ "$banner" = "$native_banner" ] ||
  fail "Windows banner differs from the native one: $(printf '%q' "$banner")"
version="$(sed -n 's/^project(tavro VERSION \([0-9.]*\).*/\1/p' "$TAVRO_SOURCE_DIR/CMakeLists.txt")"
grep -q "^tavro (tavro) v$version" <<<"$banner" || fail "banner does not show version $version: $banner"

for option in $("$TAVRO_EXE" /? 2>/dev/null | grep -oE ',  /[a-z_]+' | tr -d ', '); do
  [ "$option" = /ignore_rest ] || [ "$option" = /help ] && continue
  grep -qw -- "$option" "$stage/README.txt" || fail "README.txt does not name $option"
done
grep -q $'\r$' "$stage/README.txt" || fail "README.txt lacks Windows line ends"
grep -q "The tavro developers" "$stage/LICENSE.txt" || fail "LICENSE.txt lacks the copyright line"

# --- The SDK of one architecture (x86_64 or i686) from the unpacked zip.
check_sdk() {  # <unpacked zip> <arch>
  local root=$1 arch=$2 triple=$2-w64-mingw32 f
  for f in velmora_components.dll velmora_components.dll.a velmora_components.lib \
    velmora_components.def; do
    [ -f "$root/$arch/$f" ] || { fail "$arch/$f is missing from the zip layout"; return; }
  done
  local imports decorated=""
  [ "$arch" = i686 ] && decorated='@[0-9]+'
  imports="$("$triple-nm" "$root/$arch/velmora_components.lib" 2>/dev/null |
    grep -cE " I __imp__?(IPPort|IPInfo)_[A-Za-z]+$decorated\$")"
  [ "$imports" -eq 20 ] || fail "$arch/velmora_components.lib imports $imports functions, not 20"
  command -v "$triple-gcc" >/dev/null || { echo "no $triple-gcc; $arch SDK not built" >&2; return; }
  local out="$work/sdk-$arch" example
  mkdir -p "$out"
  cp "$root/$arch/velmora_components.dll" "$out/"
  for example in component_example ipinfo_properties; do
    (cd "$root" && "$triple-gcc" -std=c99 -Wall -Wextra -Werror "examples/$example.c" -Iinclude \
      "-L$arch" -lvelmora_components -o "$out/$example.exe") 2>"$work/cc.log" ||
      { fail "$arch $example does not build from the zip: $(cat "$work/cc.log")"; return; }
    grep -q "DLL Name: velmora_components.dll" <<<"$("$triple-objdump" -p "$out/$example.exe")" ||
      fail "$arch $example does not import velmora_components.dll"
  done
  if [ "$arch" = i686 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "Wine cannot run 32-bit programs here; i686 SDK built, not run" >&2
    return
  fi
  local port result
  port=$(listen_once)
  result="$(cd "$out" && wine ./component_example.exe "$port" 2>/dev/null | tr -d '\r')"
  grep -q "Connect: 0 OK" <<<"$result" || fail "$arch example did not connect to the listener: $result"
  grep -q "port: Connected 0" <<<"$result" || fail "$arch example saw no Connected event: $result"
  result="$(cd "$out" && wine ./ipinfo_properties.exe 2>/dev/null | tr -d '\r')"
  grep -qE "^AdapterCount: [0-9]+" <<<"$result" || fail "$arch ipinfo_properties: $result"
}
check_sdk "$stage" "$(basename "$(dirname "$exe")")"

win32_build="$(dirname "${TAVRO_WIN32_EXE:-/nonexistent/x}")"
if [ -f "$win32_build/cmake_install.cmake" ]; then
  cmake --install "$win32_build" --prefix "$work/zip32" >"$work/install32.log" 2>&1 ||
    fail "install of the i686 build: $(cat "$work/install32.log")"
  check_sdk "$work/zip32" i686
fi

finish
