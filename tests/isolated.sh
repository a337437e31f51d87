#!/usr/bin/env bash
# Runs a test program in a network namespace of its own with only loopback
# up, so that nothing it does (or a library does on its behalf, such as a
# security package looking for a server in DNS) can leave this machine.
#   tests/isolated.sh PROGRAM [ARGS...]
# As root the namespace is made directly, otherwise inside a user namespace
# where the system allows one; where neither works the program runs as it is,
# with a note, because the tests themselves only ever use loopback.
set -euo pipefail

inner='ip link set lo up 2>/dev/null || true; exec "$@"'
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n -- sh -c "$inner" sh "$@"
fi
if unshare -rn true 2>/dev/null; then
  exec unshare -rn -- sh -c "$inner" sh "$@"
fi
echo "isolated.sh: no network namespace available; running $1 without one" >&2
exec "$@"
