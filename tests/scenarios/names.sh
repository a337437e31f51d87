#!/usr/bin/env bash
# Target names: names that do not resolve or have no IPv4 address, and the DNS
# traffic behind names and reverse lookups, read from the world's DNS log.
source "$(dirname "$0")/lib.sh"
scenario_start

# The text after "Error: " is the system's message for the resolver's code,
# which differs between the native table and the host system under Wine.
check_case "a name that does not exist" 1 'Error: <ANY>\r\n' "$TW_NAME_MISSING"
# A name with only an IPv6 address is probed over IPv6 (TCP here: Wine has
# no ICMPv6 echo; ipv6_icmp.sh has the echo cases).
check_case "a name with only an IPv6 address" 0 \
  "$(header "$TW_NAME_V6ONLY [$TW_NAME_V6ONLY_ADDR]")TCP Port $TW_TCP_OPEN is open"'\r\n'"$(timed_summary 100)" \
  /c 1 "$TW_NAME_V6ONLY:$TW_TCP_OPEN"

# dnsmasq writes its log on its own schedule; wait until it has seen QUERY.
log_count() { grep -ci -- "$1" "$TW_DNS_LOG" || true; }
wait_for_log() {
  local i
  for i in $(seq 1 50); do
    [ "$(log_count "$1")" -ge "$2" ] && return 0
    sleep 0.02
  done
  return 1
}

ptr_echo="query\[PTR\] ${TW_ECHO##*.}.1.97.10.in-addr.arpa"
ptr_none="query\[PTR\] ${TW_NAME_NO_PTR_ADDR##*.}.1.97.10.in-addr.arpa"
for kind in "${kinds[@]}"; do
  before=$(log_count "query\[PTR\]")
  run_tavro "$kind" /c 1 "$TW_ECHO"
  run_tavro "$kind" /a /c 1 "$TW_NAME_ECHO"
  # A marker query that must show up after anything the two runs asked.
  in_client getent hosts "marker-$kind.world.test" >/dev/null || true
  wait_for_log "marker-$kind" 1 || true
  if [ "$(log_count "query\[PTR\]")" -eq "$before" ]; then
    pass "$kind: no reverse lookup without /a or for a name"
  else
    fail "$kind: a PTR query was made without /a or for a name"
  fi

  before=$(log_count "$ptr_echo")
  run_tavro "$kind" /a /c 2 /d 0 "$TW_ECHO"
  if wait_for_log "$ptr_echo" $((before + 1)) && [ "$(log_count "$ptr_echo")" -eq $((before + 1)) ]; then
    pass "$kind: a name found by reverse lookup is not looked up again"
  elif [ "$kind" = wine ]; then
    gap "$kind: PTR queries for $TW_ECHO: $(($(log_count "$ptr_echo") - before)):" \
      "Wine 8's DnsQuery_A returns no PTR record, so the lookup is retried"
  else
    fail "$kind: PTR queries for $TW_ECHO: $(($(log_count "$ptr_echo") - before)), want 1"
  fi

  # Without an answer the lookup is repeated on every resolution: once while
  # preparing, once for each of the two probes and once more for the call
  # that finds the count reached.
  before=$(log_count "$ptr_none")
  run_tavro "$kind" /a /c 2 /d 0 "$TW_NAME_NO_PTR_ADDR"
  if wait_for_log "$ptr_none" $((before + 4)) && [ "$(log_count "$ptr_none")" -eq $((before + 4)) ]; then
    pass "$kind: a reverse lookup without answer is retried before each probe"
  else
    fail "$kind: PTR queries for $TW_NAME_NO_PTR_ADDR: $(($(log_count "$ptr_none") - before)), want 4"
  fi
done

# A DNS server that never answers: the lookup fails after the resolver's
# time-out and the run ends with the error line.
printf 'nameserver %s\noptions timeout:1 attempts:1\n' "$TW_DNS_SILENT" \
  >"/etc/netns/$TW_NS_CLIENT/resolv.conf"
for kind in "${kinds[@]}"; do
  start=$(date +%s)
  run_tavro "$kind" "$TW_NAME_ECHO"
  expect "$kind" "a DNS server that does not answer" 1 'Error: <ANY>\r\n'
  elapsed=$(($(date +%s) - start))
  if [ "$elapsed" -le 15 ]; then
    pass "$kind: the silent server is given up after ${elapsed}s"
  else
    fail "$kind: the lookup took ${elapsed}s"
  fi
done

scenario_finish
