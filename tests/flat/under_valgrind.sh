#!/usr/bin/env bash
# Runs a flat test program under valgrind: any invalid read or write, use of
# uninitialised memory or definite leak fails it. Skipped (77) where valgrind
# is not installed.
#   tests/flat/under_valgrind.sh PROGRAM [ARGS...]
set -euo pipefail
if ! command -v valgrind >/dev/null; then
  echo "valgrind is not installed"
  exit 77
fi
exec valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
  "$@"
