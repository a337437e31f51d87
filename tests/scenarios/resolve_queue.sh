#!/usr/bin/env bash
# IPInfo's asynchronous lookups against the world's DNS server: the world
# cases of the unit-test binary (IPInfo*World*), run in the client namespace
# natively and, when a Windows build is given, under Wine. The resolver
# configuration and hosts file are bound over /etc in a private mount
# namespace: one pointing at the DNS server (with a hosts entry that has
# aliases), one pointing at the server that never answers.
source "$(dirname "$0")/lib.sh"
scenario_start

native_tests="${TAVRO_BUILD_DIR:-$(dirname "$TAVRO_EXE")}/tavro_tests"
[ -x "$native_tests" ] || skip "$native_tests is not built"
win_tests=""
[ -n "$TAVRO_WIN_EXE" ] && win_tests="$(dirname "$TAVRO_WIN_EXE")/tavro_tests.exe"

alias_name=aliased.world.test
aliases="alias-one.world.test alias-two"
printf '127.0.0.1\tlocalhost\n%s\t%s %s\n' "$TW_MULTI_SECOND" "$alias_name" "$aliases" >"$work/hosts"
printf 'nameserver %s\noptions timeout:1 attempts:2\n' "$TW_DNS" >"$work/dns.conf"
printf 'nameserver %s\noptions timeout:1 attempts:1\n' "$TW_DNS_SILENT" >"$work/silent.conf"

# run_world KIND MODE RESOLV-CONF FILTER: runs the test binary of KIND in the
# client namespace with RESOLV-CONF and the hosts file bound over /etc.
run_world() {
  local kind=$1 mode=$2 conf=$3 filter=$4
  local -a cmd=("$native_tests")
  if [ "$kind" = wine ]; then
    cmd=(env WINEPREFIX="$wine_prefix" WINEDEBUG=-all "$WINE_EXEC" "$win_tests")
  fi
  rc=0
  in_client unshare -m sh -c 'mount --bind "$1" /etc/resolv.conf &&
      mount --bind "$2" /etc/hosts && shift 2 && exec "$@"' sh "$conf" "$work/hosts" \
    env TAVRO_LOOKUP_WORLD="$mode" TAVRO_LOOKUP_ALIAS_NAME="$alias_name" \
    TAVRO_LOOKUP_ALIASES="$aliases" TW_ECHO="$TW_ECHO" TW_MULTI_SECOND="$TW_MULTI_SECOND" \
    TW_NAME_ECHO="$TW_NAME_ECHO" TW_NAME_MULTI="$TW_NAME_MULTI" \
    TW_NAME_V6ONLY="$TW_NAME_V6ONLY" TW_NAME_MISSING="$TW_NAME_MISSING" \
    "${cmd[@]}" --gtest_filter="$filter" >"$work/out" 2>&1 </dev/null || rc=$?
}

# check_world KIND MODE CONF FILTER NAME: one pass or fail per run; the
# failed assertions are shown.
check_world() {
  local kind=$1 name=$5
  run_world "$@"
  local ran
  ran=$(grep -c '^\[       OK \]' "$work/out" || true)
  if [ "$rc" -eq 0 ] && [ "$ran" -gt 0 ]; then
    pass "$kind: $name ($ran cases)"
  elif [ "$kind" = wine ] && [ -n "$wine_gap" ]; then
    gap "$kind: $name: $wine_gap"
    grep -E '^\[  FAILED  \]|Failure|Expected|Which is|actual' "$work/out" | head -n 20 | sed 's/^/      /'
  else
    fail "$kind: $name (exit $rc)"
    grep -E '^\[  FAILED  \]|Failure|Expected|Which is|actual|rror' "$work/out" | head -n 30 | sed 's/^/      /'
  fi
}

for kind in "${kinds[@]}"; do
  if [ "$kind" = wine ] && [ ! -f "$win_tests" ]; then
    fail "wine: $win_tests is not built"
    continue
  fi
  check_world "$kind" dns "$work/dns.conf" 'IPInfoWorldLookups.*-*Aliases*' \
    "names, addresses, many at once"
  check_world "$kind" dns "$work/dns.conf" 'IPInfoWorldLookups.*Aliases*' "aliases"
  check_world "$kind" silent "$work/silent.conf" 'IPInfoSilentWorldLookups.*' \
    "a DNS server that never answers"
done

scenario_finish
