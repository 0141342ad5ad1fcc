# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Catches a status line, gauge, entry state or result text that a screen reader cannot read from the accessibility bus.
# With --server LOCATION_FILE (the throwaway PostgreSQL of tests/history): the History page reading the server's
# records, and the History store dialog's controls.
#   a11y_bus.sh [--server LOCATION_FILE] PROGRAM
set -u
skip() { echo "a11y: skipped: $1" >&2; [ "${SCANVET_LAB_REQUIRED:-}" = 1 ] && exit 1; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = --on-bus ]; then
  # Inside the private session bus: the accessibility bus first, so that the program finds it when it starts.
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  "$2" &
  trap 'kill $(jobs -p); wait' EXIT
  /usr/bin/python3 "$here/a11y_client.py" $! "$3"
  exit
fi
server=""
[ "${1:-}" != --server ] || { server=$2; shift 2; }
[ -n "${SCANVET_LAB:-}" ] || skip "test lab not available: ${SCANVET_LAB_UNAVAILABLE:-not run through lab/netlab.sh}"
command -v Xvfb >/dev/null || skip "Xvfb is missing (Debian package xvfb)"
command -v xdotool >/dev/null || skip "xdotool is missing (Debian package xdotool)"
command -v dbus-run-session >/dev/null || skip "dbus-run-session is missing (Debian package dbus)"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "the AT-SPI bus launcher is missing (Debian package at-spi2-core)"
/usr/bin/python3 -c 'from pyatspi import Registry' 2>/dev/null || skip "pyatspi is missing (package python3-pyatspi)"

program=$(realpath "$1")
work=$(mktemp -d)
# Xvfb writes the number of the free display it took once it is ready.
exec 3< <(exec Xvfb -displayfd 1 -nolisten tcp 2>/dev/null); xvfb=$!
trap 'kill "$xvfb"; wait "$xvfb"; rm -rf "$work"' EXIT
read -r display <&3 || { echo "a11y: Xvfb did not start" >&2; exit 1; }
# The address 198.51.100.10 and the range 10..42 (the ARP-only hosts at its end), repeated every minute.
printf '198\r\n51\r\n100\r\n10\r\n10\r\n42\r\n1\r\n' > "$work/Scanvet.cfg"
cd "$work" || exit 1
export DISPLAY=":$display" XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work" XDG_DATA_HOME="$work" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
if [ -n "$server" ]; then
  # A fresh database on the server, where the command line records a test of .10-.13 as the scanner "alpha".
  folder=$(cat "$server" 2>/dev/null) || skip "no PostgreSQL server: the pg_server_start fixture did not start one"
  export PGPASSFILE=$work/pgpass
  printf '*:*:*:scanvet:%s\n' "$(cat "$folder/password")" > "$PGPASSFILE" && chmod 600 "$PGPASSFILE"
  database=a11y$$
  psql -q "postgresql://scanvet@/postgres?host=$folder/socket" -c "CREATE DATABASE $database" || exit 1
  uri="postgresql://scanvet@/$database?host=$folder/socket"
  "$program" --quiet --range 198.51.100.10-13 --history-db "$uri" --scanner-name alpha || { echo "a11y: the scan failed" >&2; exit 1; }
  mkdir -p "$work/scanvet"
  printf '[General]\nhistoryServer="%s"\nscannerName=window\n' "$uri" > "$work/scanvet/scanvet-address.conf"
  dbus-run-session -- bash "$here/a11y_bus.sh" --on-bus "$program" server
  exit
fi
# The ARP-only host .40 has a name of the user's own, which its entry shows and describes.
"$program" --name 00:1c:42:5c:a1:40=Printer || { echo "a11y: --name failed" >&2; exit 1; }
dbus-run-session -- bash "$here/a11y_bus.sh" --on-bus "$program" local
