#!/usr/bin/env bash
# Builds the Debian packages from debian/ the way a distribution does
# (dpkg-buildpackage on a clean copy of the tree) and reads them back: each
# holds what its name says and nothing of the others; Depends come from
# dpkg-shlibdeps, with the system's c-ares, nettle, libcap and C++ runtime
# and no sound library; the program depends on libcap2-bin and its postinst
# grants the ICMP right; the library packages are Multi-Arch: same, the
# library carries its symbols file and the ldconfig trigger; the program
# links the library instead of carrying the components; lintian finds no
# error and no warning on the .changes; the unpacked program runs.
set -uo pipefail
source "$(dirname "$0")/cli_lib.bash"

[ -n "${TAVRO_BUILD_DIR:-}" ] && [ -d "$TAVRO_SOURCE_DIR/debian" ] || skip "no debian/ folder"
for tool in dpkg-buildpackage dh dpkg-deb lintian git; do
  command -v "$tool" >/dev/null || skip "$tool is missing"
done
dpkg-checkbuilddeps "$TAVRO_SOURCE_DIR/debian/control" >/dev/null 2>&1 ||
  skip "the build dependencies of debian/control are not installed"

version="$(sed -n 's/^project(tavro VERSION \([0-9.]*\).*/\1/p' "$TAVRO_SOURCE_DIR/CMakeLists.txt")"
major=${version%%.*}
libpkg=libvelmora-components$major

# A fixed folder, so that ccache (where installed) serves a second run.
top="$TAVRO_BUILD_DIR/package-test"
tree="$top/tavro-$version"
rm -rf "$top"
mkdir -p "$tree"
(cd "$TAVRO_SOURCE_DIR" && git ls-files -z --cached --others --exclude-standard |
  xargs -0 cp --parents -t "$tree")
[ "$(cd "$tree" && dpkg-parsechangelog -S Version)" = "$version" ] ||
  fail "debian/changelog is not at the project version $version"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$top")
fi
(cd "$tree" && env "${launcher[@]}" DEB_BUILD_OPTIONS="parallel=$(nproc)" \
  dpkg-buildpackage -us -uc) >"$top/build.log" 2>&1 ||
  { fail "dpkg-buildpackage: $(tail -30 "$top/build.log")"; finish; }

deb_of() { ls "$top"/"$1"_"$version"_*.deb 2>/dev/null | head -1; }
tavro_deb="$(deb_of tavro)"
lib_deb="$(deb_of "$libpkg")"
dev_deb="$(deb_of libvelmora-components-dev)"
[ -n "$tavro_deb" ] && [ -n "$lib_deb" ] && [ -n "$dev_deb" ] ||
  { fail "dpkg-buildpackage did not make the three packages: $(ls "$top")"; finish; }

report="$(lintian --fail-on error,warning "$top"/tavro_"$version"_*.changes 2>&1)" ||
  fail "lintian: $report"

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
lib='\./usr/lib/[a-z0-9_-]+'
expect_files "$tavro_deb" '\./usr/bin/tavro' '\./usr/share/man/man1/tavro\.1\.gz' \
  '\./usr/share/doc/tavro/copyright' '\./usr/share/doc/tavro/changelog\.gz'
expect_files "$lib_deb" "$lib/libvelmora_components\.so\.$major" \
  "$lib/libvelmora_components\.so\.$version" "\./usr/share/doc/$libpkg/copyright"
expect_files "$dev_deb" '\./usr/include/velmora_components\.h' \
  '\./usr/include/velmora_components_ids\.h' '\./usr/include/velmora_components_version\.h' \
  "$lib/libvelmora_components\.so" "$lib/pkgconfig/velmora-components\.pc" \
  "$lib/cmake/velmora_components/velmora_componentsConfig\.cmake" \
  '\./usr/share/man/man3/IPPort\.3\.gz' '\./usr/share/man/man3/IPInfo\.3\.gz' \
  '\./usr/share/doc/libvelmora-components-dev/examples/resolve_and_connect\.c'
contents "$tavro_deb" | grep -q velmora && fail "the program package carries SDK files"
contents "$lib_deb" | grep -qE '\.so$|\.h$' && fail "the library package carries development files"

for deb in "$lib_deb" "$dev_deb"; do
  [ "$(dpkg-deb -f "$deb" Multi-Arch)" = same ] || fail "$(basename "$deb") is not Multi-Arch: same"
done
depends="$(dpkg-deb -f "$tavro_deb" Depends)"
for p in libcap2-bin libcap2 libstdc\\+\\+6 libc6 "$libpkg"; do
  grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "tavro Depends lacks $p: $depends"
done
# c-ares serves the program's own reverse lookups (/a); nettle only the
# components' proxy logins, the sound libraries only the first sound.
grep -qE 'libsndfile|libasound|libnettle' <<<"$depends" &&
  fail "tavro depends on what only the library or the first sound uses: $depends"
lib_depends="$(dpkg-deb -f "$lib_deb" Depends)"
for p in libc-ares2 libnettle8 libstdc\\+\\+6 libc6; do
  grep -qE "(^|, )$p( |,|$)" <<<"$lib_depends" || fail "$libpkg Depends lacks $p: $lib_depends"
done
grep -q libcap <<<"$lib_depends" && fail "the library depends on libcap: $lib_depends"
grep -qE "(^|, )$libpkg \(= $version\)" <<<"$(dpkg-deb -f "$dev_deb" Depends)" ||
  fail "the dev package does not depend on $libpkg (= $version)"

mkdir "$top/control" "$top/libcontrol" "$top/root"
dpkg-deb -e "$tavro_deb" "$top/control"
dpkg-deb -e "$lib_deb" "$top/libcontrol"
if [ -x "$top/control/postinst" ]; then
  grep -q 'setcap cap_net_raw+p "$program"' "$top/control/postinst" ||
    fail "postinst does not grant cap_net_raw"
  sh -n "$top/control/postinst" || fail "postinst is not valid shell"
else
  fail "the program package has no executable postinst"
fi
grep -qx "activate-noawait ldconfig" "$top/libcontrol/triggers" 2>/dev/null ||
  fail "the library package does not activate the ldconfig trigger"
symbols=$(grep -c '@Base' "$top/libcontrol/symbols" 2>/dev/null)
[ "${symbols:-0}" -eq 20 ] || fail "the symbols file lists ${symbols:-no} functions, not 20"

# The program reaches the components through the library: it needs the
# library and defines none of the flat functions itself.
dpkg-deb -x "$tavro_deb" "$top/root"
dpkg-deb -x "$lib_deb" "$top/root"
program="$top/root/usr/bin/tavro"
needed="$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')"
for so in "libvelmora_components.so.$major" libcap.so.2 libstdc++.so.6; do
  grep -qF "$so" <<<"$needed" || fail "tavro does not load $so: $needed"
done
nm -D --defined-only "$program" | grep -qE ' (IPPort|IPInfo)_' && fail "tavro exports flat functions"
libdir="$(dirname "$(find "$top/root/usr/lib" -name "libvelmora_components.so.$major")")"
banner="$(LD_LIBRARY_PATH="$libdir" "$program" /version 2>&1)"
[ $? -eq 0 ] && grep -q "^tavro (tavro) v$version" <<<"$banner" || fail "packaged tavro /version: $banner"

rm -rf "$top"
finish
