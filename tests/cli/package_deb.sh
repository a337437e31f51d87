#!/usr/bin/env bash
# Builds the Debian package from the current build and reads it back: the
# shared libraries the program needs are declared, the files sit under /usr,
# postinst grants the ICMP right, and the unpacked program runs.
set -uo pipefail
source "$(dirname "$0")/cli_lib.bash"

[ -n "${TAVRO_BUILD_DIR:-}" ] && [ -f "$TAVRO_BUILD_DIR/CPackConfig.cmake" ] ||
  skip "TAVRO_BUILD_DIR holds no CPack configuration"
command -v cpack >/dev/null && command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null ||
  skip "cpack, dpkg-deb or dpkg-shlibdeps is missing"

work=$(mktemp -d /tmp/tavro-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT

(cd "$TAVRO_BUILD_DIR" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; finish; }
deb="$(ls "$work"/out/tavro_*.deb 2>/dev/null | head -1)"
[ -n "$deb" ] || { fail "cpack made no tavro_*.deb"; finish; }

depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libc-ares2 libsndfile1 libasound2 libnettle8 libc6; do
  grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = tavro ] || fail "package is not named tavro"

contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for f in ./usr/bin/tavro ./usr/share/man/man1/tavro.1 ./usr/include/velmora_components.h; do
  grep -qxF "$f" <<<"$contents" || fail "$f is not in the package"
done
grep -v '^\./usr/' <<<"$contents" | grep -q . && fail "files outside /usr: $(grep -v '^\./usr/' <<<"$contents")"

mkdir "$work/control"
dpkg-deb -e "$deb" "$work/control"
if [ -x "$work/control/postinst" ]; then
  grep -q "setcap cap_net_raw+ep /usr/bin/tavro\|setcap cap_net_raw+ep \"\$tavro\"" "$work/control/postinst" ||
    fail "postinst does not grant cap_net_raw"
  sh -n "$work/control/postinst" || fail "postinst is not valid shell"
else
  fail "the package has no executable postinst"
fi

dpkg-deb -x "$deb" "$work/root"
banner="$("$work/root/usr/bin/tavro" /version 2>&1)"
[ $? -eq 0 ] && grep -q "^tavro (tavro) v" <<<"$banner" || fail "packaged tavro /version: $banner"

finish
