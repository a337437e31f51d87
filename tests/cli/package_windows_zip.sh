#!/usr/bin/env bash
# Installs the Windows build the way the zip is laid out and runs the result
# under Wine from an unrelated folder whose name has a space: tavro.exe needs
# nothing beside it, and /version shows the banner of its version resource.
# The README of the zip names every long option the program accepts.
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
for f in README.txt include/velmora_components.h; do
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

finish
