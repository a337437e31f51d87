#!/usr/bin/env bash
# Builds the three Debian packages from the current build and reads them back:
# each holds what its name says and nothing of the others, the program's
# libraries are declared (the optional sound libraries only recommended),
# postinst grants the ICMP right, the library package carries its symbols
# file and the ldconfig trigger instead of a maintainer script calling
# ldconfig, lintian finds no error and no warning, and the unpacked program
# runs.
set -uo pipefail
source "$(dirname "$0")/cli_lib.bash"

[ -n "${TAVRO_BUILD_DIR:-}" ] && [ -f "$TAVRO_BUILD_DIR/CPackConfig.cmake" ] ||
  skip "TAVRO_BUILD_DIR holds no CPack configuration"
command -v cpack >/dev/null && command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null ||
  skip "cpack, dpkg-deb or dpkg-shlibdeps is missing"

work=$(mktemp -d /tmp/tavro-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT

version="$(sed -n 's/^project(tavro VERSION \([0-9.]*\).*/\1/p' "$TAVRO_SOURCE_DIR/CMakeLists.txt")"
major=${version%%.*}
libpkg=libvelmora-components$major

(cd "$TAVRO_BUILD_DIR" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; finish; }
deb_of() { ls "$work"/out/"$1"_"$version"_*.deb 2>/dev/null | head -1; }
tavro_deb="$(deb_of tavro)"
lib_deb="$(deb_of "$libpkg")"
dev_deb="$(deb_of libvelmora-components-dev)"
[ -n "$tavro_deb" ] && [ -n "$lib_deb" ] && [ -n "$dev_deb" ] ||
  { fail "cpack did not make the three packages: $(ls "$work/out")"; finish; }

contents() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $6}'; }
# expect_files DEB PATTERN...: every pattern matches a file of the package.
expect_files() {
  local deb=$1 list pattern
  shift
  list="$(contents "$deb")"
  for pattern in "$@"; do
    grep -qxE "$pattern" <<<"$list" || fail "$(basename "$deb") lacks $pattern"
  done
  grep -v '^\./usr/' <<<"$list" | grep -q . && fail "$(basename "$deb"): files outside /usr"
}
lib='\./usr/lib(/[a-z0-9_-]+)?'
expect_files "$tavro_deb" '\./usr/bin/tavro' '\./usr/share/man/man1/tavro\.1\.gz' \
  '\./usr/share/doc/tavro/copyright' '\./usr/share/doc/tavro/changelog\.gz'
expect_files "$lib_deb" "$lib/libvelmora_components\.so\.$major" \
  "$lib/libvelmora_components\.so\.$version" "\./usr/share/doc/$libpkg/copyright"
expect_files "$dev_deb" '\./usr/include/velmora_components\.h' "$lib/libvelmora_components\.so" \
  "$lib/pkgconfig/velmora-components\.pc" "$lib/cmake/velmora_components/velmora_componentsConfig\.cmake" \
  '\./usr/share/doc/libvelmora-components-dev/examples/component_example\.c'
contents "$tavro_deb" | grep -q velmora && fail "the program package carries SDK files"
contents "$lib_deb" | grep -qE '\.so$|\.h$' && fail "the library package carries development files"

for deb in "$tavro_deb" "$lib_deb" "$dev_deb"; do
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$(basename "$deb") is not version $version"
done
# The program carries c-ares, nettle and libcap from their archives; the
# library links them shared.
depends="$(dpkg-deb -f "$tavro_deb" Depends)"
grep -qE "(^|, )libc6( |,|$)" <<<"$depends" || fail "tavro Depends lacks libc6: $depends"
lib_depends="$(dpkg-deb -f "$lib_deb" Depends)"
for p in libc-ares2 libnettle8 libcap2 libc6; do
  grep -qE "(^|, )$p( |,|$)" <<<"$lib_depends" || fail "$libpkg Depends lacks $p: $lib_depends"
done
grep -qE 'libsndfile|libasound' <<<"$depends" && fail "sound libraries are Depends: $depends"
recommends="$(dpkg-deb -f "$tavro_deb" Recommends)"
for p in libsndfile1 libasound2 libcap2-bin; do
  grep -qE "(^|, )$p( |,|$)" <<<"$recommends" || fail "tavro Recommends lacks $p: $recommends"
done
grep -qE "(^|, )$libpkg \(= $version\)" <<<"$(dpkg-deb -f "$dev_deb" Depends)" ||
  fail "the dev package does not depend on $libpkg (= $version)"

mkdir "$work/control" "$work/libcontrol"
dpkg-deb -e "$tavro_deb" "$work/control"
dpkg-deb -e "$lib_deb" "$work/libcontrol"
if [ -x "$work/control/postinst" ]; then
  grep -q "setcap cap_net_raw+ep \"\$tavro\"" "$work/control/postinst" ||
    fail "postinst does not grant cap_net_raw"
  sh -n "$work/control/postinst" || fail "postinst is not valid shell"
else
  fail "the program package has no executable postinst"
fi
grep -qx "activate-noawait ldconfig" "$work/libcontrol/triggers" 2>/dev/null ||
  fail "the library package does not activate the ldconfig trigger"
grep -l ldconfig "$work"/control/post* "$work"/libcontrol/post* 2>/dev/null &&
  fail "a maintainer script calls ldconfig"
symbols=$(grep -c '@Base' "$work/libcontrol/symbols" 2>/dev/null)
[ "${symbols:-0}" -eq 20 ] || fail "the symbols file lists ${symbols:-no} functions, not 20"

if command -v lintian >/dev/null; then
  for deb in "$tavro_deb" "$lib_deb" "$dev_deb"; do
    report="$(lintian --fail-on error,warning "$deb" 2>&1)" ||
      fail "lintian on $(basename "$deb"): $report"
  done
else
  echo "lintian is not installed; packages not checked with it" >&2
fi

dpkg-deb -x "$tavro_deb" "$work/root"
banner="$("$work/root/usr/bin/tavro" /version 2>&1)"
[ $? -eq 0 ] && grep -q "^tavro (tavro) v$version" <<<"$banner" || fail "packaged tavro /version: $banner"

finish
