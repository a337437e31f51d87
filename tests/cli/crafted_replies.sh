#!/usr/bin/env bash
# Crafted answers to the program's echo requests, through both kinds of
# ICMP socket: only a reply with our identifier and sequence from the probed
# address counts, and only an error that quotes our request to that
# address. The kernel's own echo replies are off; a helper answers every
# request from a raw socket in this private network. CRAFTED_FAMILY=ipv6
# (crafted_replies_ipv6.sh) does the same for ICMPv6 to ::1, with ::2 on
# loopback as the spoofed sender.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
command -v python3 >/dev/null || skip "python3 is missing"
responder="$(dirname "$0")/icmp_responder.py"
sysctl -qw net.ipv4.icmp_echo_ignore_all=1
sysctl -qw net.ipv6.icmp.echo_ignore_all=1
ip addr add ::2/128 dev lo

# The target, the pattern of its address, what follows "bytes=4" in a reply
# line, and the helper's family argument, set by use_family.
use_family() {
  case "$1" in
    ipv4) target=127.0.0.1 target_pattern="127\\.0\\.0\\.1" reply_tail=" time=[0-9]+ms ttl=64"
      helper_family="" ;;
    ipv6) target=::1 target_pattern="::1" reply_tail=" time=[0-9]+ms" helper_family=ipv6 ;;
  esac
  reply_line="Reply from $target_pattern: bytes=4$reply_tail seq=0"$'\r\n'
}
timed_out="The request timed out."$'\r\n'

# run_answered SCENARIO ARGS...: runs the program while the helper answers.
run_answered() {
  local scenario=$1
  shift
  rm -f "$work/ready"
  python3 "$responder" "$scenario" "$work/ready" "$work/pid" $helper_family \
    2>"$work/responder.err" &
  local helper=$!
  local i
  for i in $(seq 50); do [ -e "$work/ready" ] && break; sleep 0.1; done
  "$TAVRO_EXE" "$@" >"$work/out" 2>"$work/err" &
  local prober=$!
  echo "$prober" >"$work/pid"
  wait_for "$prober" 30
  rc=$?
  out=$(cat "$work/out"; echo x)
  out=${out%x}
  kill "$helper" 2>/dev/null
  wait "$helper" 2>/dev/null
  [ -s "$work/responder.err" ] && fail "$scenario: helper said $(cat "$work/responder.err")"
}

check_path() {
  local path="$1 $2" s
  use_icmp_path "$1"
  use_family "$2"

  # The helper's packets reach the program at all.
  run_answered reply /c 1 /s 4 "$target"
  expect_rc 0 "$path: crafted reply"
  expect_out_matches "$reply_line" "$path: crafted reply"
  run_answered error /c 1 /s 4 "$target"
  expect_rc 3 "$path: crafted error"
  expect_out_matches "Reply from $target_pattern: The destination host was unreachable\\." \
    "$path: crafted error"

  # Not ours: the probe times out and the target is down.
  for s in spoofed error-other-destination error-other-protocol wrong-identifier \
    wrong-sequence bad-checksum truncated; do
    run_answered "$s" /c 1 /s 4 "$target"
    expect_rc 3 "$path: $s"
    expect_out_matches "$timed_out" "$path: $s"
    [[ "$out" == *"Reply from"* ]] && fail "$path: $s counted: $(printf %q "$out")"
  done

  # Ours after 3,000 replies to someone else.
  run_answered flood /c 1 /s 4 "$target"
  expect_rc 0 "$path: flood"
  expect_out_matches "$reply_line" "$path: flood"

  # Errors about other requests of ours, arriving in the pause between
  # probes, cost no probe: every request is sent and answered.
  for s in stray-error stray-burst; do
    run_answered "$s" /c 6 /d 200 /s 4 "$target"
    expect_rc 0 "$path: $s"
    [ "$(grep -Ec "^Reply from $target_pattern: bytes=4 " <<<"$out")" -eq 6 ] ||
      fail "$path: $s: not 6 replies: $(printf %q "$out")"
    [[ "$out" == *"Rate: 100%"* ]] || fail "$path: $s: rate not 100%"
  done

  # A second copy, or an answer that comes too late, is no answer to the
  # probe that waits when it arrives.
  run_answered duplicate /c 2 /d 0 /s 4 "$target"
  expect_out_matches "$reply_line$timed_out" "$path: duplicate"
  run_answered late /c 2 /d 0 /s 4 "$target"
  expect_out_matches $'\n\n'"$timed_out$timed_out" "$path: late"
}

check_path datagram "${CRAFTED_FAMILY:-ipv4}"
check_path raw "${CRAFTED_FAMILY:-ipv4}"
finish
