#!/usr/bin/env bash
# The flat-interface C programs of tests/flat that need a network, run in
# the world's client namespace: texts of a name with two addresses read side
# by side, GetMAC of neighbours the kernel has just forgotten (IPv4, IPv6
# with and without a zone), and the results of lookups by address, also
# against a DNS server that never answers.
source "$(dirname "$0")/lib.sh"
scenario_start

flat=${TAVRO_BUILD_DIR:-}/tests/flat
[ -x "$flat/getmac_asks" ] || skip "no $flat/getmac_asks (built with the tests)"

# run_program LABEL CMD...: one program; its check lines are shown, and its
# exit status decides.
run_program() {
  local label=$1
  shift
  if "$@" >"$work/out" 2>&1; then pass "$label"; else fail "$label"; fi
  sed 's/^/      /' "$work/out"
}

run_program "texts of a name with two addresses" \
  in_client "$flat/texts_stay_valid" "$TW_NAME_MULTI"

r1_mac=$(ip netns exec "$TW_NS_R1" cat /sys/class/net/c0/address | tr ':' '-')
ip -n "$TW_NS_CLIENT" -6 addr add fd97::2/64 dev eth0 nodad
ip -n "$TW_NS_R1" -6 addr add fd97::1/64 dev c0 nodad
ip -n "$TW_NS_R1" -6 addr add fe80::97:1/64 dev c0 nodad

ip -n "$TW_NS_CLIENT" neigh flush all
run_program "GetMAC of the router after the cache was flushed" \
  in_client "$flat/getmac_asks" "$TW_R1" "$r1_mac"
ip -n "$TW_NS_CLIENT" neigh flush all
run_program "GetMAC of an IPv6 neighbour after the cache was flushed" \
  in_client "$flat/getmac_asks" fd97::1 "$r1_mac"
ip -n "$TW_NS_CLIENT" neigh flush all
run_program "GetMAC of a link-local neighbour with its zone, then without" \
  in_client "$flat/getmac_asks" fe80::97:1%eth0 "$r1_mac" fe80::97:1 "$r1_mac"
ip -n "$TW_NS_CLIENT" neigh flush all
run_program "GetMAC of an address nobody has fails" \
  bash -c "! ip netns exec $TW_NS_CLIENT $flat/getmac_asks 10.97.0.99 00-00-00-00-00-00"

run_program "a lookup by address lists no alias equal to the host name" \
  in_client "$flat/reverse_lookup" "$TW_ECHO"
printf 'nameserver %s\noptions timeout:1 attempts:1\n' "$TW_DNS_SILENT" >"$work/silent.conf"
run_program "a lookup by address that times out ends with 11002" \
  in_client unshare -m sh -c 'mount --bind "$1" /etc/resolv.conf && exec "$2" "$3" 11002' sh \
  "$work/silent.conf" "$flat/reverse_lookup" "$TW_ECHO"

scenario_finish
