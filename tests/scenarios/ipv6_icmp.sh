#!/usr/bin/env bash
# ICMPv6 echo in the test world: the target forms (address, [address], a
# name with only an AAAA record, a link-local address with its zone), every
# reject code, a hop-limit loop, a link MTU that gives packet-too-big, a
# dropping host, payload sizes, /a, /b and /l, through the datagram socket
# and through the raw one (file capability, unprivileged user). IPv6 lines
# carry no ttl field. Wine has no ICMPv6 echo: there every IPv6 target ends
# with the handle error, while a name with an A record still probes IPv4.
source "$(dirname "$0")/lib.sh"
scenario_start
raw_path_start

reply6() { printf 'Reply from %s: bytes=%s time=<N>ms seq=%s\\r\\n' "$@"; }
echo_kinds=()
for kind in "${kinds[@]}"; do [ "$kind" = wine ] || echo_kinds+=("$kind"); done

# check_echo NAME RC EXPECTED ARGS...: the native kinds only.
check_echo() {
  local name=$1 want_rc=$2 expected=$3 kind
  shift 3
  for kind in "${echo_kinds[@]}"; do
    run_tavro "$kind" "$@"
    expect "$kind" "$name" "$want_rc" "$expected"
  done
}

# What iputils ping sees for a target: "reply ADDR", "error ADDR" or "none".
oracle() {
  local out
  out=$(in_client ping -6 -n -c 1 -W 2 "$1" 2>&1 || true)
  if [[ "$out" =~ bytes\ from\ ([0-9a-f:]+): ]]; then
    echo "reply ${BASH_REMATCH[1]}"
  elif [[ "$out" =~ From\ ([0-9a-f:]+)\ icmp_seq ]]; then
    echo "error ${BASH_REMATCH[1]}"
  else
    echo none
  fi
}

ok_run() { # target and its header text
  printf '%s%s%s' "$(header "$2")" "$(reply6 "$1" 32 0)" "$(timed_summary 100)"
}
check_echo "an IPv6 address" 0 "$(ok_run "$TW_ECHO6" "$TW_ECHO6")" /c 1 "$TW_ECHO6"
check_echo "a bracketed IPv6 address" 0 "$(ok_run "$TW_ECHO6" "$TW_ECHO6")" /c 1 "[$TW_ECHO6]"
check_echo "an address written in full is shown in numeric form" 0 \
  "$(ok_run "$TW_ECHO6" "$TW_ECHO6")" /c 1 "fd77:0000:0000:0001:0000:0000:0000:0002"
check_echo "a name with only an AAAA record" 0 \
  "$(ok_run "$TW_ECHO6" "$TW_NAME_V6ONLY [$TW_ECHO6]")" /c 1 "$TW_NAME_V6ONLY"
check_echo "/s 0" 0 \
  "$(header "$TW_ECHO6")$(reply6 "$TW_ECHO6" 0 0)$(timed_summary 100)" /c 1 /s 0 "$TW_ECHO6"
check_echo "/s 1400 on a 1500-byte path" 0 \
  "$(header "$TW_ECHO6")$(reply6 "$TW_ECHO6" 1400 0)$(timed_summary 100)" /c 1 /s 1400 "$TW_ECHO6"
check_echo "/b, up" 0 "Host $TW_ECHO6 is up."'\r\n' /b "$TW_ECHO6"
check_echo "/b, down" 3 "Host $TW_DROP6 is down."'\r\n' /b /c 1 "$TW_DROP6"

# A name with an A and an AAAA record keeps its IPv4 address, also on Wine.
check_case "a name with both records probes IPv4" 0 \
  "$(header "$TW_NAME_DUAL [$TW_ECHO]")$(reply "$TW_ECHO" 32 63 0)$(timed_summary 100)" \
  /c 1 "$TW_NAME_DUAL"

# target|expected probe line|exit code
cases=(
  "$TW_NO_ROUTE6|$(status_reply "$TW_R1_6" "The destination network was unreachable.")|3"
  "$TW_ADDR_UNREACH6|$(status_reply "$TW_R1_6" "The destination host was unreachable.")|3"
  "$TW_PORT_UNREACH6|$(status_reply "$TW_PORT_UNREACH6" "The destination port was unreachable.")|3"
  "$TW_ADMIN_PROHIBITED6|$(status_reply "$TW_ADMIN_PROHIBITED6" "The destination protocol was unreachable.")|3"
  "$TW_HOP_LOOP6|$(status_reply "$TW_R2_6" "The time to live (TTL) expired in transit.")|3"
  "$TW_DROP6|$(status_line "The request timed out.")|3"
)
for c in "${cases[@]}"; do
  IFS='|' read -r target line want_rc <<<"$c"
  ping_says=$(oracle "$target")
  for kind in "${echo_kinds[@]}"; do
    run_tavro "$kind" /c 1 "$target"
    expect "$kind" "$target: ${line%\\r\\n}" "$want_rc" "$(header "$target")$line$(summary 0 0 0 0)"
    probe=$(sed -n '4p' "$work/out" | tr -d '\r')
    case "$probe" in
      "Reply from "*": bytes="*) tavro_says="reply ${probe#Reply from }" ;;
      "Reply from "*) tavro_says="error ${probe#Reply from }" ;;
      *) tavro_says="none" ;;
    esac
    tavro_says=${tavro_says%%: *}
    if [ "$tavro_says" = "$ping_says" ]; then
      pass "$kind: agrees with ping on $target ($ping_says)"
    else
      fail "$kind: ping says '$ping_says' for $target, tavro '$tavro_says'"
    fi
  done
done

# Behind the 1280-byte link a 1400-byte request is too big: the router says
# so once, and the next request goes out in fragments and is answered. The
# path MTU learnt by the last run is forgotten first.
for kind in "${echo_kinds[@]}"; do
  in_client ip -6 route flush cache
  run_tavro "$kind" /c 2 /s 1400 "$TW_SMALL_MTU6"
  expect "$kind" "packet too big, then a fragmented request" 0 \
    "$(header "$TW_SMALL_MTU6")$(status_reply "$TW_R1_6" "The packet was too big.")$(reply6 "$TW_SMALL_MTU6" 1400 1)$(timed_summary 50)"
done

# A link-local address needs its zone; the replier is shown with it.
r1_link_local=$(ip -n "$TW_NS_R1" -6 -o addr show dev c0 scope link | awk '{ sub("/.*", "", $4); print $4 }')
if [ -n "$r1_link_local" ]; then
  check_echo "a link-local address with its zone" 0 \
    "$(ok_run "$r1_link_local%eth0" "$r1_link_local%eth0")" /c 1 "$r1_link_local%eth0"
  check_echo "a zone given as interface number" 0 \
    "$(ok_run "$r1_link_local%eth0" "$r1_link_local%eth0")" \
    /c 1 "$r1_link_local%$(in_client cat /sys/class/net/eth0/ifindex)"
else
  fail "r1 has no link-local address on c0"
fi

# /a: the PTR query for an IPv6 literal goes under ip6.arpa, in nibbles.
nibbles=$(printf '%s' "$TW_NAME_V6ONLY_ADDR" | python3 -c \
  'import ipaddress,sys; print(ipaddress.ip_address(sys.stdin.read()).reverse_pointer)')
for kind in "${echo_kinds[@]}"; do
  before=$(grep -ci "query\[PTR\] $nibbles" "$TW_DNS_LOG" || true)
  run_tavro "$kind" /a /c 1 "$TW_NAME_V6ONLY_ADDR"
  expect "$kind" "/a on an IPv6 address" 0 \
    "$(ok_run "$TW_NAME_V6ONLY_ADDR" "$TW_NAME_V6ONLY [$TW_NAME_V6ONLY_ADDR]")"
  after=$(grep -ci "query\[PTR\] $nibbles" "$TW_DNS_LOG" || true)
  if [ "$after" -gt "$before" ]; then
    pass "$kind: the PTR query asked for $nibbles"
  else
    fail "$kind: no PTR query for $nibbles in the DNS log"
  fi
done

# /l ends with Control-C after the current line; the summary follows.
for kind in "${echo_kinds[@]}"; do
  start_tavro "$kind" /l /d 100 "$TW_ECHO6"
  for _ in $(seq 1 100); do
    [ "$(grep -c '^Reply from' "$work/out" || true)" -ge 2 ] && break
    sleep 0.05
  done
  interrupt_tavro || fail "$kind: the loop ended before the interrupt"
  n=$(grep -c '^Reply from' "$work/out" || true)
  expected="$(header "$TW_ECHO6")"
  for ((i = 0; i < n; i++)); do expected+="$(reply6 "$TW_ECHO6" 32 "$i")"; done
  expect "$kind" "/l and Control-C after $n replies" 0 "$expected$(timed_summary 100)"
done

# Wine does not implement the ICMPv6 echo calls (Icmp6CreateFile fails with
# error 120): the run ends with the handle error, as for IPv4 without a
# handle. IPv6 echo needs real Windows.
for kind in "${kinds[@]}"; do
  [ "$kind" = wine ] || continue
  run_tavro wine /c 1 "$TW_ECHO6"
  expect wine "an ICMPv6 target without Icmp6CreateFile" 1 \
    "$(header "$TW_ECHO6")"'Error: Unable to open ICMP handle due to error <ANY>\r\n'
done

scenario_finish
