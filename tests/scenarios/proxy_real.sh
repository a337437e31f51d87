#!/usr/bin/env bash
# The TCP client through real proxy servers on 127.0.0.1: a SOCKS server
# without authentication and one with user name and password, an HTTP proxy
# without authentication and one with Basic. The client side runs as the
# RealProxyTest cases of the unit test binary, native and (when built) under
# Wine. The SOCKS account lives in a private copy of the user database that
# only the SOCKS server sees (a mount namespace), so the machine's own
# accounts are never touched.
set -u

skip() { echo "skipped: $*" >&2; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root (mount namespace for the SOCKS account)"
command -v danted >/dev/null || skip "danted not installed (package dante-server)"
command -v tinyproxy >/dev/null || skip "tinyproxy not installed"
tests="${TAVRO_BUILD_DIR:-}/tavro_tests"
[ -x "$tests" ] || skip "no unit test binary at $tests"

work=$(mktemp -d /tmp/tavro-proxy.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# free_port: a TCP port on 127.0.0.1 that nothing listens on right now.
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 30000))
    ss -ltn "sport = :$port" | grep -q LISTEN || { echo "$port"; return; }
  done
}

socks_config() { # port method
  cat <<CONF
logoutput: $work/danted-$1.log
internal: 127.0.0.1 port = $1
external: 127.0.0.1
clientmethod: none
socksmethod: $2
user.privileged: root
user.unprivileged: nobody
client pass { from: 127.0.0.0/8 to: 127.0.0.0/8 }
socks pass { from: 127.0.0.0/8 to: 127.0.0.0/8 command: connect }
socks block { from: 0.0.0.0/0 to: 0.0.0.0/0 }
CONF
}

http_config() { # port [user password]
  printf 'User nobody\nGroup nogroup\nPort %s\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\n' "$1"
  [ $# -eq 3 ] && printf 'BasicAuth %s %s\n' "$2" "$3"
}

socks=$(free_port)
socks_auth=$(free_port)
http=$(free_port)
http_auth=$(free_port)

socks_config "$socks" none >"$work/socks.conf"
socks_config "$socks_auth" username >"$work/socks-auth.conf"
http_config "$http" >"$work/http.conf"
http_config "$http_auth" tavroproxy s3cret >"$work/http-auth.conf"

# The SOCKS account: a copy of the user database with one more user.
cp /etc/passwd "$work/passwd"
cp /etc/shadow "$work/shadow"
echo "tavroproxy:x:64999:64999::/nonexistent:/usr/sbin/nologin" >>"$work/passwd"
echo "tavroproxy:$(openssl passwd -6 s3cret 2>/dev/null || echo '!'):19000:0:99999:7:::" >>"$work/shadow"

danted -f "$work/socks.conf" >"$work/socks.out" 2>&1 &
pids+=($!)
unshare -m sh -c "mount --bind '$work/passwd' /etc/passwd && mount --bind '$work/shadow' /etc/shadow &&
  exec danted -f '$work/socks-auth.conf'" >"$work/socks-auth.out" 2>&1 &
pids+=($!)
tinyproxy -d -c "$work/http.conf" >"$work/http.out" 2>&1 &
pids+=($!)
tinyproxy -d -c "$work/http-auth.conf" >"$work/http-auth.out" 2>&1 &
pids+=($!)

for port in "$socks" "$socks_auth" "$http" "$http_auth"; do
  for _ in $(seq 50); do
    ss -ltn "sport = :$port" | grep -q LISTEN && break
    sleep 0.1
  done
  ss -ltn "sport = :$port" | grep -q LISTEN || { cat "$work"/*.out >&2; echo "proxy on $port did not start" >&2; exit 1; }
done

export TAVRO_PROXY_SOCKS=$socks TAVRO_PROXY_SOCKS_AUTH=$socks_auth
export TAVRO_PROXY_HTTP=$http TAVRO_PROXY_HTTP_AUTH=$http_auth
status=0
"$tests" --gtest_filter='RealProxyTest.*' --gtest_brief=1 || status=1

win_tests="$(dirname "${TAVRO_WIN_EXE:-}")/tavro_tests.exe"
if [ -n "${TAVRO_WIN_EXE:-}" ] && [ -f "$win_tests" ] && command -v wine >/dev/null; then
  export WINEDEBUG=-all
  export WINEPREFIX="${TAVRO_BUILD_DIR}/wine-proxy-real"
  timeout -k 5 200 "$(dirname "$0")/../wine.sh" "$win_tests" --gtest_filter='RealProxyTest.*' --gtest_brief=1 || status=1
else
  echo "note: no Windows test binary; the Wine half is skipped" >&2
fi
[ $status -eq 0 ] || tail -n 20 "$work"/*.log "$work"/*.out >&2
exit $status
