# Helpers shared by the command-line tests; sourced by them, not a test of
# its own. Every test runs the program inside a private network and mount
# namespace with only loopback up and a resolver that points at a loopback
# port where nothing listens, so nothing can leave this machine.

failures=0
tests_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Runs tavro.exe and the other Windows programs under the loader of their
# architecture.
wine_exec="$tests_dir/wine.sh"
# shellcheck source=../bounds.bash
source "$tests_dir/bounds.bash"

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

skip() {
  echo "SKIP: $*" >&2
  exit 77
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  exit 0
}

# Re-runs the calling script inside fresh namespaces (once) and prepares
# them: loopback up, a dead resolver, an empty per-user configuration.
enter_private_network() {
  if [ -z "${TAVRO_CLI_NAMESPACE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || skip "needs root for private network namespaces"
    command -v unshare >/dev/null || skip "unshare is missing"
    [ -x "${TAVRO_EXE:-}" ] || skip "TAVRO_EXE does not name the built program"
    TAVRO_CLI_NAMESPACE=1 exec unshare --net --mount --propagation private -- bash "$0" "$@"
  fi
  ip link set lo up
  work=$(mktemp -d /tmp/tavro-cli.XXXXXX)
  trap cleanup_private_network EXIT
  trap 'exit 130' INT
  # A trap may run while a command's output is redirected: the note goes to
  # the script's own standard error, kept aside here.
  exec {script_stderr}>&2
  trap 'echo "FAIL: ended by SIGTERM (after $TAVRO_TEST_DEADLINE s, or from outside)" >&"$script_stderr"
        exit 143' TERM
  trap 'exit 129' HUP
  start_watchdog
  echo "nameserver 127.0.0.1" >"$work/resolv.conf"
  mount --bind "$work/resolv.conf" /etc/resolv.conf
  export HOME="$work/home" XDG_CONFIG_HOME="$work/config"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME"
}

cleanup_private_network() {
  local status=$?
  trap '' INT TERM HUP
  stop_watchdog
  if [ -n "${WINEPREFIX:-}" ] && command -v wineserver >/dev/null; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  umount /etc/resolv.conf 2>/dev/null || true
  rm -rf "$work"
  exit "$status"
}

# datagram: unprivileged ICMP sockets allowed; raw: only the raw socket
# (we are root) remains.
use_icmp_path() {
  case "$1" in
    datagram) sysctl -qw net.ipv4.ping_group_range="0 2147483647" ;;
    raw) sysctl -qw net.ipv4.ping_group_range="1 0" ;;
  esac
}

# run_native ARGS...: runs the program; sets out, err and rc.
run_native() {
  bounded "$TAVRO_EXE" "$@" >"$work/out" 2>"$work/err"
  rc=$?
  out=$(cat "$work/out"; echo x)
  out=${out%x}
  err=$(cat "$work/err")
}

# Whether the Windows build can be run here; prepares a fresh prefix.
windows_available() {
  [ -n "${TAVRO_WIN_EXE:-}" ] && [ -f "$TAVRO_WIN_EXE" ] || return 1
  command -v wine >/dev/null || return 1
  export WINEPREFIX="$work/wine" WINEDEBUG=-all
  bounded "$wine_exec" wineboot -i >/dev/null 2>&1 || true
  return 0
}

# run_windows ARGS...: like run_native with tavro.exe under Wine; the two
# builds write the same bytes, line ends included.
run_windows() {
  bounded "$wine_exec" "$TAVRO_WIN_EXE" "$@" >"$work/out" 2>"$work/err"
  rc=$?
  out=$(cat "$work/out"; echo x)
  out=${out%x}
  err=$(cat "$work/err")
}

expect_rc() {
  [ "$rc" -eq "$1" ] || fail "$2: exit code $rc, expected $1"
}

expect_out() {
  [ "$out" == "$1" ] || fail "$2: output $(printf %q "$out"), expected $(printf %q "$1")"
}

expect_out_matches() {
  [[ "$out" =~ $1 ]] || fail "$2: output $(printf %q "$out") does not match $1"
}

# listen_once: a loopback listener for one connection, in the background
# (it gives up after 30 s without one); prints its port once it listens.
listen_once() {
  socat -T 30 TCP-LISTEN:0,bind=127.0.0.1,reuseaddr - </dev/null >/dev/null 2>&1 &
  local port="" tries
  for tries in $(seq 50); do
    port="$(ss -Hltnp 2>/dev/null | grep "pid=$!," | sed -E 's/.*127\.0\.0\.1:([0-9]+).*/\1/' | head -1)"
    [ -n "$port" ] && break
    sleep 0.1
  done
  echo "$port"
}
