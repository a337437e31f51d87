#!/usr/bin/env bash
# The installed program and library carry the hardening a program holding
# cap_net_raw needs, as Debian's hardening-check sees it: position-independent,
# stack protector, checked libc calls, read-only relocations bound at load,
# control-flow protection; and no library search in the folder it is started
# from. Release builds only: the sanitizer build leaves the checked calls to
# its own interceptors.
set -uo pipefail
source "$(dirname "$0")/cli_lib.bash"

[ -n "${TAVRO_BUILD_DIR:-}" ] && [ -f "$TAVRO_BUILD_DIR/cmake_install.cmake" ] ||
  skip "TAVRO_BUILD_DIR holds no install rules"
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$TAVRO_BUILD_DIR/CMakeCache.txt")
case "$build_type" in
  Release | RelWithDebInfo | MinSizeRel) ;;
  *) skip "a $build_type build is not hardened" ;;
esac
command -v hardening-check >/dev/null ||
  fail "hardening-check is missing (devscripts; scripts/install-deps installs it)"

work=$(mktemp -d /tmp/tavro-hardening.XXXXXX)
trap 'rm -rf "$work"' EXIT
TAVRO_NO_SETCAP=1 cmake --install "$TAVRO_BUILD_DIR" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
  fail "cmake --install: $(cat "$work/install.log")"

files=("$work/prefix/bin/tavro")
# Libraries go to lib/ or to a multiarch folder below it.
mapfile -t libraries < <(find "$work/prefix" -name "libvelmora_components.so*" | sort)
[ ${#libraries[@]} -gt 0 ] || fail "no libvelmora_components.so was installed"
for library in "${libraries[@]}"; do
  # The versioned names are links to one file; check the file once.
  [ -L "$library" ] || files+=("$library")
done

# Control-flow protection marks an image only when every object linked into
# it carries the mark, the C library's start files included; where those
# lack it (Debian 12's glibc) no program built here can have it.
options=()
start_file=$(cc -print-file-name=Scrt1.o)
if ! readelf -n "$start_file" 2>/dev/null | grep -q 'x86 feature: IBT, SHSTK'; then
  echo "note: $start_file has no IBT/SHSTK mark; control-flow protection not required" >&2
  options+=(--nocfprotection)
fi

# runpath FILE: the RUNPATH or RPATH of an ELF file, empty without one.
runpath() {
  readelf -d "$1" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]$/\2/p'
}

# The loader reads an empty or relative entry as a folder relative to where
# the program was started. The build tree's programs (run by hand, and
# copied with cap_net_raw by the tests) may name the build's own folders,
# by absolute path only; installed files name none.
for file in "$TAVRO_BUILD_DIR/tavro" "$TAVRO_BUILD_DIR"/components/libvelmora_components.so.*.*; do
  path=$(runpath "$file")
  [ -n "$path" ] || continue
  case ":$path:" in
    *::*) fail "${file#"$TAVRO_BUILD_DIR/"}: RUNPATH '$path' has an empty entry (the current folder)" ;;
  esac
  for entry in ${path//:/ }; do
    [ "${entry:0:1}" = / ] || fail "${file#"$TAVRO_BUILD_DIR/"}: RUNPATH entry '$entry' is relative"
  done
done
for file in "${files[@]}"; do
  [ -z "$(runpath "$file")" ] || fail "${file#"$work/prefix/"}: installed with RUNPATH '$(runpath "$file")'"
done

for file in "${files[@]}"; do
  report=$(hardening-check "${options[@]}" "$file" 2>&1) ||
    fail "hardening-check ${file#"$work/prefix/"}: $report"
  echo "$report"
  # The checked calls must be in use, not merely possible.
  grep -q 'Fortify Source functions: yes' <<<"$report" ||
    fail "${file#"$work/prefix/"}: no fortified libc calls"
done
finish
