#!/usr/bin/env bash
# Echo probes of 127.0.0.1 through both kinds of ICMP socket: the verbose
# report, the brief verdict with and without a comment, and exit codes.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"

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

# Sets `pattern` to the whole verbose report; $1 is the line end ("\r\n"
# natively, "\n" once Wine's output is cleaned).
verbose_pattern() {
  local e=$1 seq
  pattern="^"$'\n'"Binging 127\\.0\\.0\\.1"$'\n\n'
  for seq in 0 1 2 3; do
    pattern+="Reply from 127\\.0\\.0\\.1: bytes=32 time=[0-9]+ms ttl=64 seq=$seq$e"
  done
  pattern+=$'\n'"Roundtrip Summary:$e"
  pattern+="Average: [0-9]+ ms, Minimum: [0-9]+ ms, Maximum: [0-9]+ ms, Rate: 100%$e\$"
}

check_run() {
  local runner=$1 e=$2 label=$3
  $runner 127.0.0.1
  expect_rc 0 "$label verbose"
  verbose_pattern "$e"
  expect_out_matches "$pattern" "$label verbose"

  $runner /b 127.0.0.1
  expect_rc 0 "$label brief"
  expect_out "Host 127.0.0.1 is up.$e" "$label brief"

  $runner /b /u 127.0.0.1
  expect_rc 0 "$label brief with comment"
  local comment=${out#Host 127.0.0.1 is up. }
  comment=${comment%"$e"}
  local found=0 c
  for c in "${up_comments[@]}"; do [ "$comment" == "$c" ] && found=1; done
  [ $found -eq 1 ] || fail "$label brief with comment: $(printf %q "$out")"

  $runner /c 2 /s 0 127.0.0.1
  expect_rc 0 "$label empty payload"
  expect_out_matches "bytes=0 time=[0-9]+ms ttl=64 seq=1$e" "$label empty payload"
}

for path in datagram raw; do
  use_icmp_path $path
  check_run run_native $'\r\n' "native $path"
done

if windows_available; then
  check_run run_windows $'\r\n' "windows"
else
  echo "note: no Windows build given, Wine half skipped" >&2
fi
finish
