#!/usr/bin/env bash
# Installs the three Debian packages (dpkg-buildpackage, debian/) into a fresh
# Debian root and checks them there: apt installs them with their
# dependencies (libcap2-bin among them; without recommended packages,
# nothing for sound), postinst grants the ICMP right, an ordinary
# user probes 127.0.0.1 inside a private network (first through the
# capability, then through the datagram socket), `man tavro` shows the page,
# the C example resolve_and_connect built with `pkg-config --cflags --libs
# velmora-components` and by a CMake project with
# find_package(velmora_components) both resolve localhost and connect to a
# loopback listener, and purging the packages (and the build
# tools the check installed) leaves the root as it was.
#
#   tests/package/debian_root_check.sh <dist-folder | tavro_*.deb> [base-root]
#
# Given tavro_*.deb, the two library packages are taken from the same folder.
# The base root is made once with debootstrap (from the configured Debian
# mirror) and reused; every run works on a fresh copy of it. Needs root. Too
# slow for every CI run, so it is not a ctest test.
set -euo pipefail

given="$(readlink -f "${1:?usage: $0 <dist-folder | tavro_*.deb> [base-root]}")"
[ -d "$given" ] && dist=$given || dist="$(dirname "$given")"
debs=()
for name in tavro libvelmora-components[0-9]* libvelmora-components-dev; do
  found="$(ls "$dist"/${name}_*.deb 2>/dev/null | sort -V | tail -1)"
  [ -n "$found" ] || { echo "no ${name}_*.deb in $dist" >&2; exit 2; }
  debs+=("$found")
done
base="${2:-/var/tmp/tavro-debian-root}"
suite="${TAVRO_DEBIAN_SUITE:-bookworm}"
mirror="${TAVRO_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
[ "$(id -u)" -eq 0 ] || { echo "needs root" >&2; exit 77; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

if [ ! -x "$base/usr/bin/apt-get" ]; then
  command -v debootstrap >/dev/null || { echo "debootstrap is missing" >&2; exit 77; }
  debootstrap --variant=minbase --include=man-db "$suite" "$base" "$mirror"
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
# debootstrap writes no hosts file; an installed system has one naming localhost.
[ -f "$root/etc/hosts" ] || printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost\n' >"$root/etc/hosts"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
in_root useradd -m user

# Everything but package-manager state, caches and logs: what removal must restore.
snapshot() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./tmp -o -path ./var/lib/dpkg \
    -o -path ./var/lib/apt -o -path ./var/cache -o -path ./var/log \) -prune -o -print |
    grep -v '^./etc/ld.so.cache$' | sort)
}
in_root apt-get update -qq
# setcap must come with the program's Depends, not with the base system.
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq libcap2-bin >/dev/null 2>&1 || true
snapshot >"$root.before"

mkdir "$root/tmp/debs"
cp "${debs[@]}" "$root/tmp/debs/"
in_debs=()
for deb in "${debs[@]}"; do in_debs+=("/tmp/debs/$(basename "$deb")"); done
if in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "${in_debs[@]}" >"$root.install.log" 2>&1; then
  pass "apt installs $(printf '%s ' "${debs[@]##*/}")with their dependencies"
else
  fail "apt install: $(tail -5 "$root.install.log")"
fi
sound="$(in_root dpkg-query -W -f='${db:Status-Status} ${Package}\n' 'libsndfile1*' 'libasound2*' \
  2>/dev/null | awk '$1 == "installed" {print $2}')"
[ -z "$sound" ] && pass "no sound library without recommends" || fail "sound libraries pulled in: $sound"

in_root dpkg-query -W -f='${db:Status-Status}' libcap2-bin 2>/dev/null | grep -qx installed &&
  pass "libcap2-bin came with tavro's Depends" || fail "libcap2-bin is not installed"
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

# --- The SDK as a C programmer uses it, with the build tools from Debian.
tools=(gcc libc6-dev pkg-config cmake make)
if in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "${tools[@]}" >"$root.tools.log" 2>&1; then
  mkdir -p "$root/tmp/sdk"
  cat >"$root/tmp/sdk/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(uses_components C)
find_package(velmora_components 1 REQUIRED)
add_executable(example /usr/share/doc/libvelmora-components-dev/examples/resolve_and_connect.c)
target_link_libraries(example PRIVATE velmora_components::velmora_components)
EOF
  examples=/usr/share/doc/libvelmora-components-dev/examples
  if in_root sh -c "cc $examples/resolve_and_connect.c \$(pkg-config --cflags --libs velmora-components) \
    -o /tmp/sdk/by-pkg-config" >"$root.cc.log" 2>&1; then
    pass "the example builds with pkg-config --cflags --libs velmora-components"
  else
    fail "pkg-config build: $(tail -5 "$root.cc.log")"
  fi
  if in_root sh -c "cmake -S /tmp/sdk -B /tmp/sdk/build && cmake --build /tmp/sdk/build" \
    >"$root.cmake.log" 2>&1; then
    pass "a CMake project builds with find_package(velmora_components)"
  else
    fail "find_package build: $(tail -5 "$root.cmake.log")"
  fi
  # Each program connects to a loopback listener inside a private network.
  for program in /tmp/sdk/by-pkg-config /tmp/sdk/build/example; do
    out="$(unshare -n bash -c 'ip link set lo up
      socat -T 20 TCP-LISTEN:4711,bind=127.0.0.1,reuseaddr - </dev/null >/dev/null 2>&1 &
      for i in $(seq 50); do ss -Hltn | grep -q ":4711 " && break; sleep 0.1; done
      chroot --userspec=user:user "$1" env -i PATH=/usr/bin:/bin "$2" localhost 4711' _ "$root" "$program" 2>&1)" || true
    if grep -q "Resolve: localhost is 127.0.0.1" <<<"$out" && grep -q "Connect: 0 OK" <<<"$out"; then
      pass "$program resolves localhost and connects to a loopback listener"
    else
      fail "$program: $out"
    fi
  done
  rm -rf "$root/tmp/sdk"
else
  fail "build tools: $(tail -5 "$root.tools.log")"
fi

in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq --autoremove tavro \
  libvelmora-components-dev "$(basename "${debs[1]}" | cut -d_ -f1)" "${tools[@]}" \
  >"$root.purge.log" 2>&1 || fail "purge: $(tail -5 "$root.purge.log")"
rm -rf "$root/tmp/debs"
snapshot >"$root.after"
if leftovers="$(diff "$root.before" "$root.after")"; then
  pass "purge leaves nothing behind"
else
  fail "purge changed the root: $leftovers"
fi
rm -f "$root.before" "$root.after" "$root".*.log

[ "$failures" -eq 0 ] && echo "all checks passed" || { echo "$failures check(s) failed" >&2; exit 1; }
