#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian root and checks it there:
# apt installs it with its dependencies, postinst grants the ICMP right, an
# ordinary user probes 127.0.0.1 inside a private network (first through the
# capability, then through the datagram socket), `man tavro` shows the page,
# and purging the package leaves the root as it was.
#
#   tests/package/debian_root_check.sh <tavro_*.deb> [base-root]
#
# The base root is made once with debootstrap (from the configured Debian
# mirror) and reused; every run works on a fresh copy of it. Needs root. Too
# slow for every CI run, so it is not a ctest test.
set -euo pipefail

deb="$(readlink -f "${1:?usage: $0 <tavro_*.deb> [base-root]}")"
base="${2:-/var/tmp/tavro-debian-root}"
suite="${TAVRO_DEBIAN_SUITE:-bookworm}"
mirror="${TAVRO_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
[ "$(id -u)" -eq 0 ] || { echo "needs root" >&2; exit 77; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

if [ ! -x "$base/usr/bin/apt-get" ]; then
  command -v debootstrap >/dev/null || { echo "debootstrap is missing" >&2; exit 77; }
  debootstrap --variant=minbase --include=man-db,libcap2-bin "$suite" "$base" "$mirror"
fi

root="$(mktemp -d /var/tmp/tavro-root.XXXXXX)"
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT
cp -a "$base/." "$root/"
mount -t proc proc "$root/proc"
cp /etc/resolv.conf "$root/etc/resolv.conf"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
in_root useradd -m user

# Everything but package-manager state, caches and logs: what removal must restore.
snapshot() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./tmp -o -path ./var/lib/dpkg \
    -o -path ./var/lib/apt -o -path ./var/cache -o -path ./var/log \) -prune -o -print |
    grep -v '^./etc/ld.so.cache$' | sort)
}
in_root apt-get update -qq
snapshot >"$root.before"

cp "$deb" "$root/tmp/"
if in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "/tmp/$(basename "$deb")" \
  >"$root.install.log" 2>&1; then
  pass "apt installs $(basename "$deb") with its dependencies"
else
  fail "apt install: $(tail -5 "$root.install.log")"
fi

caps="$(getcap "$root/usr/bin/tavro" || true)"
[[ "$caps" == *cap_net_raw* ]] && pass "postinst granted: ${caps##* }" || fail "no cap_net_raw: $caps"

# Runs tavro as "user" inside a private network with loopback up and the
# given ping_group_range; prints its output, returns its exit code.
probe_as_user() {
  unshare -n bash -c 'ip link set lo up; sysctl -qw net.ipv4.ping_group_range="$1";
    chroot --userspec=user:user "$2" env -i PATH=/usr/bin:/bin HOME=/home/user \
      tavro /c 2 127.0.0.1' _ "$1" "$root"
}
if out="$(probe_as_user "1 0")" && grep -q "Reply from 127.0.0.1: bytes=32" <<<"$out"; then
  pass "user probes 127.0.0.1 through the capability"
else
  fail "capability probe: $out"
fi
setcap -r "$root/usr/bin/tavro"
if out="$(probe_as_user "0 2147483647")" && grep -q "Reply from 127.0.0.1" <<<"$out"; then
  pass "user probes 127.0.0.1 through the datagram socket"
else
  fail "datagram probe: $out"
fi

page="$(in_root env MANPAGER=cat MANWIDTH=80 man tavro 2>&1 || true)"
if grep -q "tavro - probe a host" <<<"$page"; then
  pass "man tavro shows the page"
else
  fail "man tavro: $(head -3 <<<"$page")"
fi

in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq --autoremove tavro \
  >"$root.purge.log" 2>&1 || fail "purge: $(tail -5 "$root.purge.log")"
rm -f "$root/tmp/$(basename "$deb")"
snapshot >"$root.after"
if leftovers="$(diff "$root.before" "$root.after")"; then
  pass "purge leaves nothing behind"
else
  fail "purge changed the root: $leftovers"
fi
rm -f "$root.before" "$root.after" "$root.install.log" "$root.purge.log"

[ "$failures" -eq 0 ] && echo "all checks passed" || { echo "$failures check(s) failed" >&2; exit 1; }
