#!/usr/bin/env bash
# Runs a Windows program under the Wine loader of its own architecture:
#   tests/wine.sh PROGRAM.exe [ARGS...]
#   tests/wine.sh wineboot|reg|... [ARGS...]   a program of Wine's own, 64-bit
# `wine` alone is the wrong choice for a 64-bit program wherever Wine's
# 32-bit half is installed: the 32-bit loader then hands the program to the
# 64-bit one through start.exe, and a signal sent to the process we started
# (Control-C in a test) reaches start.exe instead of the program. The loader
# replaces this script (exec), so the process started here is the program.
#   x86_64: wine64 on PATH, else Debian's /usr/lib/wine/wine64, else wine
#   i686:   wine (which runs the 32-bit loader where it is installed)
# Wine's own programs (a name that is no file here) run 64-bit, as the
# prefixes are: where wine32 is installed but the kernel refuses 32-bit
# programs, `wine reg` or `wineboot` would start nothing.
# TAVRO_WINE_LIBDIR names another folder of loaders (tests of this script).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 PROGRAM.exe [ARGS...]" >&2; exit 2; }
libdir="${TAVRO_WINE_LIBDIR:-/usr/lib/wine}"

# The machine field of the PE header: the file holds the header's offset at
# 0x3c, and the header is "PE\0\0" followed by the machine.
pe_machine() {
  local offset
  offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || return 0
  od -An -t x1 -j "$offset" -N 6 "$1" 2>/dev/null | tr -d ' \n'
}

run64() {
  if command -v wine64 >/dev/null; then
    exec wine64 "$@"
  elif [ -x "$libdir/wine64" ]; then
    # What Debian's wine wrapper sets when it starts the 64-bit loader.
    export WINELOADER="${WINELOADER:-$libdir/wine64}"
    exec "$libdir/wine64" "$@"
  fi
  exec wine "$@"
}

if [ ! -e "$1" ] && [[ "$1" != */* ]]; then
  run64 "$@"
fi
case "$(pe_machine "$1")" in
  504500006486) run64 "$@" ;;
  504500004c01) exec wine "$@" ;;
  *)
    echo "wine.sh: $1 is not a Windows program" >&2
    exit 126
    ;;
esac
