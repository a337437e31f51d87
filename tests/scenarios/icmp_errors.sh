#!/usr/bin/env bash
# Echo requests that fail: every destination-unreachable code the world
# produces, a TTL that runs out at the second router, a dropped request, a
# path with a small MTU. Each answer is also checked against iputils ping.
source "$(dirname "$0")/lib.sh"
scenario_start

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

# target|expected probe line|exit code
cases=(
  "$TW_ECHO|$(reply "$TW_ECHO" 32 63 0)|0"
  "$TW_NET_UNREACH|$(status_reply "$TW_R1" "The destination network was unreachable.")|3"
  "$TW_HOST_UNREACH|$(status_reply "$TW_R1" "The destination host was unreachable.")|3"
  "$TW_PROTO_UNREACH|$(status_reply "$TW_PROTO_UNREACH" "The destination protocol was unreachable.")|3"
  "$TW_PORT_UNREACH|$(status_reply "$TW_PORT_UNREACH" "The destination port was unreachable.")|3"
  "$TW_ADMIN_PROHIBITED|$(status_reply "$TW_ADMIN_PROHIBITED" "The destination host was unreachable.")|3"
  "$TW_TTL_EXPIRE|$(status_reply "$TW_R2" "The time to live (TTL) expired in transit.")|3"
  "$TW_DROP|$(status_line "The request timed out.")|3"
)
for c in "${cases[@]}"; do
  IFS='|' read -r target line want_rc <<<"$c"
  if [ "$want_rc" -eq 0 ]; then summary_text=$(timed_summary 100); else summary_text=$(summary 0 0 0 0); fi
  ping_says=$(oracle "$target")
  for kind in "${kinds[@]}"; do
    run_tavro "$kind" /c 1 "$target"
    expect "$kind" "$target: ${line%\\r\\n}" "$want_rc" "$(header "$target")$line$summary_text"
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
