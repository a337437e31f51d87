#!/usr/bin/env bash
# Brief mode (verdict, comments, exit codes, how many probes it sends) and a
# verbose run that loses every second echo request.
source "$(dirname "$0")/lib.sh"
scenario_start

check_case "brief up" 0 "Host $TW_ECHO is up."'\r\n' /b "$TW_ECHO"
check_case "brief up with a name" 0 "Host $TW_NAME_ECHO [$TW_ECHO] is up."'\r\n' /b "$TW_NAME_ECHO"
check_case "brief down after a time-out" 3 "Host $TW_DROP is down."'\r\n' /b /c 1 "$TW_DROP"
check_case "brief down after unreachable replies" 3 \
  "Host $TW_NET_UNREACH is down."'\r\n' /b /c 3 /d 0 "$TW_NET_UNREACH"
check_case "a comment needs brief mode" 0 \
  "$(header "$TW_ECHO")$(reply "$TW_ECHO" 32 63 0)$(timed_summary 100)" /u /c 1 "$TW_ECHO"

up_comments=(
  "You're not surprised, are you?"
  "Phew, I was worried about this one."
  "Now that this is clarified, what next?"
  "Good job, another example of networking excellence."
  "Feels good, doesn't it?"
  "Great! Let's go home and call it a day!"
  "So many problems in life, at least one thing worked out."
  "Good, let's hope it stays that way."
  "Not bad, but don't get overly confident now!"
  "Would it be a problem if it wasn't up?"
  "Everything looks good, next patient please."
)
down_comments=(
  "That machine is not important now, is it?"
  "Looks like you got some work to do!"
  "Oh geez, can we blame this on somebody else?"
  "Houston, we have a problem!"
  "OK, that didn't work out. Maybe try again?"
  "I cannot believe this, I was really optimistic!"
  "Did you turn it on?"
  "I bet the cleaning staff unplugged the cable!"
  "Maybe you are just having a bad dream."
  "I know you can fix this, I just know it!"
  "Just when you thought you could go home."
  "Bummer, dude."
)

# check_comment KIND NAME RC VERDICT COMMENTS...: the line is the verdict, one
# space and one comment of the list, then the line end.
check_comment() {
  local kind=$1 name=$2 want_rc=$3 verdict=$4 c
  shift 4
  for c in "$@"; do
    if [ "$(cat "$work/out")" = "$verdict $c"$'\r' ] && [ "$rc" = "$want_rc" ]; then
      pass "$kind: $name ($c)"
      return
    fi
  done
  fail "$kind: $name"
  show_run
}

for kind in "${kinds[@]}"; do
  run_tavro "$kind" /b /u "$TW_ECHO"
  check_comment "$kind" "brief up with a comment" 0 "Host $TW_ECHO is up." "${up_comments[@]}"
  run_tavro "$kind" /b /u /c 1 "$TW_NET_UNREACH"
  check_comment "$kind" "brief down with a comment" 3 \
    "Host $TW_NET_UNREACH is down." "${down_comments[@]}"
done

count_rule "$TW_NS_TARGET" INPUT "$TW_ECHO"
count_rule "$TW_NS_R1" FORWARD "$TW_NET_UNREACH"
for kind in "${kinds[@]}"; do
  before_up=$(counted "$TW_NS_TARGET" INPUT "$TW_ECHO")
  before_down=$(counted "$TW_NS_R1" FORWARD "$TW_NET_UNREACH")
  run_tavro "$kind" /b /c 4 /d 0 "$TW_ECHO"
  run_tavro "$kind" /b /c 3 /d 0 "$TW_NET_UNREACH"
  sent_up=$(($(counted "$TW_NS_TARGET" INPUT "$TW_ECHO") - before_up))
  sent_down=$(($(counted "$TW_NS_R1" FORWARD "$TW_NET_UNREACH") - before_down))
  if [ "$sent_up" -eq 1 ] && [ "$sent_down" -eq 3 ]; then
    pass "$kind: brief mode stops at the first answer and uses the count otherwise"
  else
    fail "$kind: brief mode sent $sent_up probes to an answering host (want 1), $sent_down to a failing one (want 3)"
  fi
done

# The target drops every second echo request it sees, so each two-probe run
# starts with an answered probe whichever build ran before it.
check_case "every second request lost" 0 \
  "$(header "$TW_HALF_LOSS")$(reply "$TW_HALF_LOSS" 32 63 0)$(status_line "The request timed out.")$(timed_summary 50)" \
  /c 2 /d 0 "$TW_HALF_LOSS"

scenario_finish
