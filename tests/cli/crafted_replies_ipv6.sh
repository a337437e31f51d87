#!/usr/bin/env bash
# The crafted answers of crafted_replies.sh, as ICMPv6 to ::1.
CRAFTED_FAMILY=ipv6 exec bash "$(dirname "$0")/crafted_replies.sh" "$@"
