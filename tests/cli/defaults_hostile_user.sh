#!/usr/bin/env bash
# A run as root that kept a user's HOME and XDG_CONFIG_HOME (su without -,
# sudo -E) against that user's tricks, played as nobody (65534): the
# user's tavro folder as a link to a folder of root's, and a parent folder
# swapped for a link while root's /x might wait on the lock. Root uses no
# settings from a folder the user controls, so nothing outside the user's
# folders is created, renamed or removed, and /x stays silent. The user's
# own runs keep working. Native build only.
source "$(dirname "$0")/cli_lib.bash"
enter_private_network "$@"
use_icmp_path datagram
command -v setpriv >/dev/null || skip "setpriv is missing"

as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"; }
chmod 0711 "$work"
users="$work/users" rootdata="$work/rootdata"
home="$users/home"
mkdir -p "$users" "$rootdata/tavro" "$home"
chown 65534:65534 "$home"
printf '[HKEY_CURRENT_USER\\Software\\velmorasoft\\toolvane\\tavro]\n"packet_count"=dword:00000001\n' \
  >"$rootdata/tavro/settings"
chmod 0700 "$rootdata/tavro"

# Every entry under the work folder but the run's own output files, and
# root's folder in full (times too).
snapshot() {
  find "$work" -path "$work/out" -prune -o -path "$work/err" -prune -o -printf '%p %i %u\n' | sort
  find "$rootdata" -printf '%p %i %u %m %s %T@\n' | sort
}

as_root() { HOME=$home XDG_CONFIG_HOME=${xdg:-} run_native "$@"; }

check_untouched() {
  local label=$1 after
  after=$(snapshot)
  [ "$after" == "$before" ] || fail "$label changed: $(diff <(echo "$before") <(echo "$after") | head -5)"
  [[ "$out" != "Defaults have been deleted"* ]] || fail "$label: /x claimed success"
}

# The user's tavro folder is a link to root's.
as_user mkdir -p "$home/.config"
as_user ln -s "$rootdata/tavro" "$home/.config/tavro"
before=$(snapshot)
for xdg in "" "$home/.config"; do
  as_root /w /c 2 /d 0 127.0.0.1
  check_untouched "root's /w through the user's link (XDG_CONFIG_HOME=$xdg)"
  as_root /x /c 1 127.0.0.1
  check_untouched "root's /x through the user's link (XDG_CONFIG_HOME=$xdg)"
done

# The user's real folder, locked by the user; while root's /x could wait,
# the user swaps .config for a link to a folder of root's holding tavro.
as_user rm "$home/.config/tavro"
as_user mkdir -m 0700 "$home/.config/tavro"
as_user sh -c "printf '[HKEY_CURRENT_USER\\\\x]\n' >'$home/.config/tavro/settings'"
before=$(snapshot)
as_user flock "$home/.config/tavro" sleep 2 &
locker=$!
sleep 0.3
HOME=$home XDG_CONFIG_HOME= "$TAVRO_EXE" /x /c 1 127.0.0.1 >"$work/out" 2>&1 &
runner=$!
as_user mv "$home/.config" "$home/config.real"
as_user ln -s "$rootdata" "$home/.config"
wait "$locker"
timeout 20 tail --pid="$runner" -f /dev/null || fail "root's /x did not end"
out=$(cat "$work/out")
as_user rm "$home/.config"
as_user mv "$home/config.real" "$home/.config"
check_untouched "root's /x while the user swapped a parent folder"

# The user's own runs store, use and clear their defaults there.
as_user rm -r "$home/.config/tavro"
user_run() { env -u XDG_CONFIG_HOME HOME="$home" setpriv --reuid=65534 --regid=65534 \
  --clear-groups -- "$TAVRO_EXE" "$@"; }
user_run /w /c 2 /d 0 127.0.0.1 >/dev/null || fail "the user's /w failed"
out=$(user_run 127.0.0.1)
[ "$(grep -c '^Reply from' <<<"$out")" -eq 2 ] || fail "the user's stored count was not used"
out=$(user_run /x /c 1 127.0.0.1)
[[ "$out" == "Defaults have been deleted successfully."* ]] || fail "the user's /x: $out"
[ ! -e "$home/.config/tavro" ] || fail "the user's /x left the tavro folder"
finish
