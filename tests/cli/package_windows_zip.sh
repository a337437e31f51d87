#!/usr/bin/env bash
# Installs the Windows build the way the two downloads are laid out (the
# install components "program" and "sdk", as scripts/package does) and uses
# them. The tool: tavro.exe, README.txt, LICENSE.txt and the third-party
# notices and nothing of the SDK; it runs under Wine from an unrelated folder
# whose name has a space, and /version shows the banner of its version
# resource; the README names every long option. The SDK: the headers, the
# DLL with both import libraries in the architecture's folder, the examples
# and the manual pages as text; every example builds with mingw from the
# unpacked files and runs under Wine (resolve_and_connect resolves localhost
# and connects to a loopback listener). The MSVC import library names the
# twenty functions (stdcall-decorated on i686), holds no build path, and
# lld-link with its default options (on x86 /SAFESEH) links a program
# against it that then runs. TAVRO_WIN32_EXE may name an i686 build as
# well; it runs only where Wine has its 32-bit half.
set -uo pipefail
source "$(dirname "$0")/cli_lib.bash"

win_build="$(dirname "${TAVRO_WIN_EXE:-/nonexistent/x}")"
[ -f "$win_build/cmake_install.cmake" ] || skip "no Windows build given in TAVRO_WIN_EXE"
command -v wine >/dev/null || skip "wine is missing"
enter_private_network
windows_available || skip "the Windows build cannot run here"

stage="$work/tool"
sdk="$work/sdk"
cmake --install "$win_build" --component program --prefix "$stage" >"$work/install.log" 2>&1 &&
  cmake --install "$win_build" --component sdk --prefix "$sdk" >>"$work/install.log" 2>&1 ||
  { fail "install of the Windows build: $(cat "$work/install.log")"; finish; }
exe="$stage/tavro.exe"
tool_files="$(cd "$stage" && find . -type f | LC_ALL=C sort | tr '\n' ' ')"
[ "$tool_files" = "./LICENSE.txt ./README.txt ./THIRD-PARTY-NOTICES.txt ./tavro.exe " ] ||
  fail "the tool download holds: $tool_files"
grep -q winpthreads "$stage/THIRD-PARTY-NOTICES.txt" || fail "the notices do not name winpthreads"
for f in SDK-README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt include/velmora_components.h \
  include/velmora_components_ids.h include/velmora_components_version.h \
  examples/component_example.c examples/ipinfo_properties.c examples/resolve_and_connect.c \
  doc/IPPort.3.txt doc/IPInfo.3.txt; do
  [ -f "$sdk/$f" ] || fail "$f is missing from the SDK layout"
done
grep -q "IPInfo_Method_ResolveName" "$sdk/doc/IPInfo.3.txt" || fail "IPInfo.3.txt lacks the names"
find "$sdk" -name tavro.exe | grep -q . && fail "the SDK carries tavro.exe"

elsewhere="$work/some folder"
mkdir -p "$elsewhere"
cp "$exe" "$elsewhere/"
banner="$(cd / && bounded "$wine_exec" "$elsewhere/tavro.exe" /version 2>/dev/null)"
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
  for example in component_example ipinfo_properties resolve_and_connect; do
    (cd "$root" && "$triple-gcc" -std=c99 -Wall -Wextra -Werror "examples/$example.c" -Iinclude \
      "-L$arch" -lvelmora_components -o "$out/$example.exe") 2>"$work/cc.log" ||
      { fail "$arch $example does not build from the zip: $(cat "$work/cc.log")"; return; }
    grep -q "DLL Name: velmora_components.dll" <<<"$("$triple-objdump" -p "$out/$example.exe")" ||
      fail "$arch $example does not import velmora_components.dll"
  done
  check_msvc_link "$root" "$arch" "$out"
  if ! can_run "$arch"; then
    echo "Wine cannot run 32-bit programs here; i686 SDK built, not run" >&2
    return
  fi
  local port result
  port=$(listen_once)
  result="$(cd "$out" && bounded "$wine_exec" ./component_example.exe "$port" 2>/dev/null | tr -d '\r')"
  grep -q "Connect: 0 OK" <<<"$result" || fail "$arch example did not connect to the listener: $result"
  grep -q "port: Connected 0" <<<"$result" || fail "$arch example saw no Connected event: $result"
  result="$(cd "$out" && bounded "$wine_exec" ./ipinfo_properties.exe 2>/dev/null | tr -d '\r')"
  grep -qE "^AdapterCount: [0-9]+" <<<"$result" || fail "$arch ipinfo_properties: $result"
  port=$(listen_once)
  result="$(cd "$out" && bounded "$wine_exec" ./resolve_and_connect.exe localhost "$port" 2>/dev/null | tr -d '\r')"
  grep -q "Resolve: localhost is 127.0.0.1" <<<"$result" && grep -q "Connect: 0 OK" <<<"$result" ||
    fail "$arch resolve_and_connect: $result"
}

# check_msvc_link <unpacked SDK> <arch> <run folder>: the MSVC import library
# as MSVC's linker sees it. The program is freestanding (no C runtime to
# link), compiled by clang for the MSVC ABI, so lld-link gets nothing but
# it and velmora_components.lib: it reads VersionTag through the DLL and
# exits with 0 when the text is the header's version.
check_msvc_link() {
  local root=$1 arch=$2 out=$3 target entry=start
  command -v clang >/dev/null && command -v lld-link >/dev/null ||
    { echo "no clang or lld-link; MSVC import library not linked" >&2; return; }
  grep -qF "$TAVRO_SOURCE_DIR" "$root/$arch/velmora_components.lib" &&
    fail "$arch/velmora_components.lib holds a build path"
  target=x86_64-pc-windows-msvc
  [ "$arch" = i686 ] && target=i686-pc-windows-msvc && entry=start@0
  cp "$TAVRO_SOURCE_DIR/tests/package/msvc_link.c" "$out/"
  clang --target=$target -ffreestanding -fno-stack-protector -O1 -I"$root/include" \
    -c "$out/msvc_link.c" -o "$out/msvc_link.obj" 2>"$work/clang.log" ||
    { fail "$arch: clang could not compile the MSVC link check: $(cat "$work/clang.log")"; return; }
  lld-link /nologo /entry:$entry /subsystem:console /nodefaultlib "/out:$out/msvc_link.exe" \
    "$out/msvc_link.obj" "$root/$arch/velmora_components.lib" >"$work/lld.log" 2>&1 ||
    { fail "$arch: lld-link refuses velmora_components.lib: $(cat "$work/lld.log")"; return; }
  can_run "$arch" || return
  (cd "$out" && bounded "$wine_exec" ./msvc_link.exe >/dev/null 2>&1) ||
    fail "$arch: the program linked by lld-link did not read the VersionTag ($?)"
}

can_run() { [ "$1" != i686 ] || /usr/lib/wine/wine --version >/dev/null 2>&1; }
arch="$(find "$sdk" -name velmora_components.dll | head -1)"
check_sdk "$sdk" "$(basename "$(dirname "$arch")")"

win32_build="$(dirname "${TAVRO_WIN32_EXE:-/nonexistent/x}")"
if [ -f "$win32_build/cmake_install.cmake" ]; then
  cmake --install "$win32_build" --component sdk --prefix "$work/sdk32" >"$work/install32.log" 2>&1 ||
    fail "install of the i686 build: $(cat "$work/install32.log")"
  check_sdk "$work/sdk32" i686
fi

finish
