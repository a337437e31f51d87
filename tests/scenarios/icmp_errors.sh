#!/usr/bin/env bash
# Echo requests that fail: every destination-unreachable code the world
# produces, a TTL that runs out at the second router, a dropped request, a
# path with a small MTU. Each answer is also checked against iputils ping.
source "$(dirname "$0")/lib.sh"
scenario_start

failed_probe() {
  printf '%s%s%s' "$(header "$1")" "$2" "$(summary 0 0 0 0)"
}

# target, replier, status text
cases=(
  "$TW_NET_UNREACH|$TW_R1|The destination network was unreachable."
  "$TW_HOST_UNREACH|$TW_R1|The destination host was unreachable."
  "$TW_PROTO_UNREACH|$TW_PROTO_UNREACH|The destination protocol was unreachable."
  "$TW_PORT_UNREACH|$TW_PORT_UNREACH|The destination port was unreachable."
  "$TW_ADMIN_PROHIBITED|$TW_ADMIN_PROHIBITED|The destination host was unreachable."
  "$TW_TTL_EXPIRE|$TW_R2|The time to live (TTL) expired in transit."
)
for c in "${cases[@]}"; do
  IFS='|' read -r target replier text <<<"$c"
  check_case "$text ($target)" 3 \
    "$(failed_probe "$target" "$(status_reply "$replier" "$text")")" /c 1 "$target"
done

check_case "a dropped request times out" 3 \
  "$(failed_probe "$TW_DROP" "$(status_line "The request timed out.")")" /c 1 "$TW_DROP"

# What iputils ping sees for a target: "reply ADDR", "error ADDR" or "none".
oracle() {
  local out
  out=$(in_client ping -n -c 1 -W 2 "$1" 2>&1 || true)
  if [[ "$out" =~ bytes\ from\ ([0-9.]+): ]]; then
    echo "reply ${BASH_REMATCH[1]}"
  elif [[ "$out" =~ From\ ([0-9.]+)\ icmp_seq ]]; then
    echo "error ${BASH_REMATCH[1]}"
  else
    echo none
  fi
}

# The same classification of tavro's one probe line.
tavro_outcome() {
  local line
  line=$(sed -n '4p' "$work/out" | tr -d '\r')
  if [[ "$line" =~ ^Reply\ from\ ([0-9.]+):\ bytes= ]]; then
    echo "reply ${BASH_REMATCH[1]}"
  elif [[ "$line" =~ ^Reply\ from\ ([0-9.]+):\  ]]; then
    echo "error ${BASH_REMATCH[1]}"
  else
    echo none
  fi
}

for target in "$TW_ECHO" "$TW_NET_UNREACH" "$TW_HOST_UNREACH" "$TW_PROTO_UNREACH" \
    "$TW_PORT_UNREACH" "$TW_ADMIN_PROHIBITED" "$TW_TTL_EXPIRE" "$TW_DROP"; do
  ping_says=$(oracle "$target")
  for kind in "${kinds[@]}"; do
    run_tavro "$kind" /c 1 "$target"
    tavro_says=$(tavro_outcome)
    if [ "$tavro_says" = "$ping_says" ]; then
      pass "$kind: agrees with ping on $target ($ping_says)"
    else
      fail "$kind: ping says '$ping_says' for $target, tavro '$tavro_says'"
    fi
  done
done

# Behind a 576-byte link a 1000-byte request needs fragments. A sender that
# sets DF gets "packet too big" once and then fragments; one that does not
# (the echo call's default) is answered at once. The second probe must be a
# complete, reassembled reply either way.
for kind in "${kinds[@]}"; do
  run_tavro "$kind" /c 2 /s 1000 "$TW_SMALL_MTU"
  first=$(sed -n '4p' "$work/out" | tr -d '\r')
  second=$(sed -n '5p' "$work/out" | tr -d '\r')
  case "$first" in
    "Reply from $TW_R1: The packet was too big." | \
      "Reply from $TW_SMALL_MTU: bytes=1000 time="*"ms ttl=63 seq=0")
      pass "$kind: small MTU, first probe: $first" ;;
    *) fail "$kind: small MTU, first probe: $first"; show_run ;;
  esac
  if [[ "$second" =~ ^Reply\ from\ $TW_SMALL_MTU:\ bytes=1000\ time=[0-9]+ms\ ttl=63\ seq=1$ ]]; then
    pass "$kind: small MTU, second probe is a reassembled reply"
  else
    fail "$kind: small MTU, second probe: $second"
    show_run
  fi
done

scenario_finish
