#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Catches a package that gives the program a capability, or its helper more than
# cap_net_raw, and a program that a plugin of the user's own could take a
# capability or a raw or packet socket from. Runs inside the test lab: builds
# the Debian package, unpacks it into a temporary root and runs its postinst
# there (DPKG_ROOT), then scans a lab host as user nobody with a SQL driver
# plugin of the user's own first in QT_PLUGIN_PATH, which the history loads.
#   bash installed_privileges_check.sh BUILD_DIR PLUGIN_DIR
set -euo pipefail
build=$1 plugins=$2
fail() { echo "FAILED: $1"; status=1; }
status=0
if [ -z "${SCANVET_LAB:-}" ]; then echo "SKIPPED: not inside the test lab"; exit 77; fi
for tool in dpkg-deb getcap setpriv cpack; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is missing (bash scripts/install-deps.sh)"; exit 1; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
chmod 755 "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out/deb" >/dev/null
deb=$(ls "$out"/deb/*.deb)
dpkg-deb -x "$deb" "$out/root"
dpkg-deb -e "$deb" "$out/control"
DPKG_ROOT=$out/root sh "$out/control/postinst" configure
program=$out/root/usr/bin/scanvet helper=$out/root/usr/libexec/scanvet/scanvet-helper

[ -z "$(getcap "$program")" ] || fail "the program has a capability: $(getcap "$program")"
window=$out/root/usr/libexec/scanvet/scanvet-window
[ -z "$(getcap "$window")" ] || fail "the window's program has a capability: $(getcap "$window")"
case "$(getcap "$helper")" in
  *" cap_net_raw=ep") ;;
  *) fail "the helper should have cap_net_raw alone: '$(getcap "$helper")'" ;;
esac

work=$out/work
mkdir -m 777 "$work"
chmod -R a+rX "$out/root" "$plugins"
setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$work" QT_PLUGIN_PATH="$plugins" \
  PROBE_REPORT="$work/probe.txt" "$program" --range 198.51.100.5-5 --preset fast --format csv --report "$work/found.csv" \
  2>"$work/errors.txt" || fail "the scan as nobody failed: $(cat "$work/errors.txt")"
[ -f "$work/probe.txt" ] || fail "the plugin of the user's own was never loaded"
expected=$(printf 'CapPrm:\t0000000000000000\nCapEff:\t0000000000000000\nCapAmb:\t0000000000000000\nraw sockets: 0')
[ "$(cat "$work/probe.txt" 2>/dev/null)" = "$expected" ] || fail "the plugin found: $(cat "$work/probe.txt" 2>/dev/null)"
# Through the helper's capability: the host's echo (raw lab) and its MAC asked by ARP.
grep -q '^198\.51\.100\.5,echo5\.lab,true,02:00:00:00:00:10,' "$work/found.csv" ||
  fail "the host was not found as expected: $(cat "$work/found.csv" 2>/dev/null)"
grep -q 'the neighbour table tells who is on the link' "$work/errors.txt" && fail "the helper could not ask ARP: $(cat "$work/errors.txt")"
[ $status = 0 ] && echo "ok: the package gives cap_net_raw to the helper alone, and a plugin of the user's own finds nothing to take"
exit $status
