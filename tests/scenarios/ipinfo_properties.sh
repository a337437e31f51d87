#!/usr/bin/env bash
# IPInfo's view of the world's client namespace, read through the flat
# interface by the example program of each build: the one adapter, its
# address, mask, hardware address and index as the kernel has them, and the
# resolver the namespace is given. Both dumps are kept in the build folder
# and shown side by side.
source "$(dirname "$0")/lib.sh"
scenario_start

native_dump=${TAVRO_BUILD_DIR:-}/examples/ipinfo_properties
[ -x "$native_dump" ] || skip "no $native_dump (built with the examples)"
wine_dump=""
if [[ " ${kinds[*]} " == *" wine "* ]]; then
  # The Windows build puts the examples beside the DLL they load.
  wine_dump=$(find "$(dirname "$TAVRO_WIN_EXE")" -name ipinfo_properties.exe | head -1)
  [ -n "$wine_dump" ] || fail "wine: no ipinfo_properties.exe in the build of tavro.exe"
fi

dump() { # KIND -> dump file
  local out="$work/ipinfo-$1.txt"
  if [ "$1" = native ]; then
    in_client "$native_dump" >"$out" 2>"$work/err" || true
  else
    in_client env WINEPREFIX="$wine_prefix" WINEDEBUG=-all "$WINE_EXEC" "$wine_dump" 2>"$work/err" |
      tr -d '\r' >"$out" || true
  fi
  echo "$out"
}

# value FILE NAME [ADAPTER-ADDRESS]: a machine-wide value, or one of the
# adapter whose AdapterIPAddress is the given address.
value() {
  awk -v name="$2" -v addr="${3:-}" '
    /^AdapterIndex: / { block = $2; next }
    addr == "" && !/^  / && index($0, name ": ") == 1 { print substr($0, length(name) + 3); exit }
    addr != "" && /^  / { sub(/^  /, ""); v[block, $1] = substr($0, index($0, ": ") + 2) }
    END {
      if (addr == "") exit
      for (k in v) {
        split(k, part, SUBSEP)
        if (part[2] == "AdapterIPAddress:" && v[k] == addr) { b = part[1] }
      }
      if (b != "") print v[b, name ":"]
    }' "$1"
}

check_value() { # KIND NAME WANT GOT
  if [ "$4" = "$3" ]; then pass "$1: $2 is $3"; else fail "$1: $2 is '$4', want '$3'"; fi
}

eth=$(in_client ip -o -4 addr show | awk -v a="$TW_CLIENT" '$4 ~ "^" a "/" {print $2}')
mac=$(in_client cat "/sys/class/net/$eth/address" | tr ':' '-')
ifindex=$(in_client cat "/sys/class/net/$eth/ifindex")
files=()
for kind in "${kinds[@]}"; do
  [ "$kind" = wine ] && [ -z "$wine_dump" ] && continue
  file=$(dump "$kind")
  files+=("$file")
  if grep -q ': error [0-9]' "$file" || [ ! -s "$file" ]; then
    fail "$kind: the dump has errors or is empty"
    sed 's/^/      /' "$file" "$work/err" | head -20
    continue
  fi
  check_value "$kind" "the client adapter's mask" 255.255.255.0 \
    "$(value "$file" AdapterSubnetMask "$TW_CLIENT")"
  check_value "$kind" "the client adapter's hardware address" "$mac" \
    "$(value "$file" AdapterPhysicalAddress "$TW_CLIENT")"
  check_value "$kind" "the client adapter's device index" "$ifindex" \
    "$(value "$file" AdapterDeviceIndex "$TW_CLIENT")"
  check_value "$kind" "the client adapter's DNS servers" "$TW_DNS" \
    "$(value "$file" AdapterDNSServers "$TW_CLIENT")"
  check_value "$kind" "DNSServer" "$TW_DNS" "$(value "$file" DNSServer)"
  check_value "$kind" "LocalHost" "$(in_client hostname)" "$(value "$file" LocalHost)"
done

# The newer form lists the interfaces as the system has them: the loopback
# interface (type LOOPBACK) and the client adapter.
if [ -n "${files[0]:-}" ] && [ "${kinds[0]}" = native ]; then
  check_value native "AdapterCount" 2 "$(value "${files[0]}" AdapterCount)"
  check_value native "the loopback adapter's type" LOOPBACK \
    "$(value "${files[0]}" AdapterType 127.0.0.1)"
fi

cp "${files[@]}" "${TAVRO_BUILD_DIR}/" 2>/dev/null || true
if [ "${#files[@]}" -eq 2 ]; then
  paste -d '\t' "${files[@]}" | awk -F '\t' '{ printf "      %-52s %s\n", $1, $2 }' |
    sed '1i\      native                                               wine'
fi

scenario_finish
