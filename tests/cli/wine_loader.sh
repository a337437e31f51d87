#!/usr/bin/env bash
# tests/wine.sh starts each Windows program with the loader of its own
# architecture, replacing itself, so that a signal sent to the process a test
# started reaches the loader that runs the program: x86_64 programs and
# Wine's own programs under wine64 (or Debian's /usr/lib/wine/wine64), i686
# programs under wine. Fake loaders on PATH record how they were started;
# no Wine is needed.
set -uo pipefail
source "$(dirname "$0")/cli_lib.bash"

work=$(mktemp -d /tmp/tavro-wine-loader.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/lib" "$work/nolib"

# fake_loader DIR NAME: prints its name, its pid and its arguments.
fake_loader() {
  cat >"$1/$2" <<EOF
#!/bin/sh
echo "$2 \$\$ \${WINELOADER:-none} \$*"
EOF
  chmod +x "$1/$2"
}

# pe FILE MACHINE-BYTES: the DOS stub's pointer at 0x3c and a PE header at
# 0x40 with the given machine field.
pe() {
  {
    printf 'MZ'
    head -c 58 /dev/zero
    printf '\x40\x00\x00\x00PE\x00\x00'
    printf '%b' "$2"
    head -c 64 /dev/zero
  } >"$1"
}
pe "$work/x64.exe" '\x64\x86'
pe "$work/x86.exe" '\x4c\x01'
pe "$work/arm.exe" '\x64\xaa'
printf 'MZ' >"$work/short.exe"

# started PATH LIBDIR ARGS...: what the script started, in $started.
started() {
  local path=$1 libdir=$2
  shift 2
  started=$(PATH="$path" TAVRO_WINE_LIBDIR="$libdir" WINELOADER="" "$wine_exec" "$@" 2>&1)
  rc=$?
}

# Only the tools the script needs, so that no real loader is found.
base="$work/tools"
mkdir -p "$base"
for tool in bash od tr; do ln -s "$(command -v "$tool")" "$base/$tool"; done
fake_loader "$work/bin" wine
fake_loader "$work/bin" wine64
fake_loader "$work/lib" wine64

started "$work/bin:$base" "$work/nolib" "$work/x64.exe" /c 1 127.0.0.1
[[ "$started" == "wine64 "*" $work/x64.exe /c 1 127.0.0.1" ]] || fail "x86_64 on PATH: $started"
started "$work/bin:$base" "$work/nolib" "$work/x86.exe" /version
[[ "$started" == "wine "*" $work/x86.exe /version" ]] || fail "i686: $started"
started "$work/bin:$base" "$work/nolib" reg query 'HKCU\Software'
[[ "$started" == "wine64 "*" reg query HKCU\\Software" ]] || fail "Wine's own program: $started"

# Without wine64 on PATH (Debian), the loader in Wine's library folder, with
# WINELOADER set as Debian's wine script sets it.
rm "$work/bin/wine64"
started "$work/bin:$base" "$work/lib" "$work/x64.exe" '/?'
[[ "$started" == "wine64 "*" $work/lib/wine64 $work/x64.exe /?" ]] ||
  fail "x86_64 from $work/lib: $started"
# Nowhere a 64-bit loader: wine, which says what is missing.
started "$work/bin:$base" "$work/nolib" "$work/x64.exe"
[[ "$started" == "wine "* ]] || fail "x86_64 without wine64: $started"

for file in arm.exe short.exe; do
  started "$work/bin:$base" "$work/nolib" "$work/$file"
  [ "$rc" -eq 126 ] || fail "$file: exit $rc, started $started"
done

# The process a test starts in the background is the loader itself.
fake_loader "$work/bin" wine64
PATH="$work/bin:$base" TAVRO_WINE_LIBDIR="$work/nolib" "$wine_exec" "$work/x64.exe" >"$work/out" &
pid=$!
wait_for "$pid" 10
read -r _ loader_pid _ <"$work/out"
[ "$loader_pid" = "$pid" ] || fail "the loader runs as $loader_pid, not as the started $pid"
finish
