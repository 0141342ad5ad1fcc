#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The Debian package's round trip, as root on Debian 12: builds the package,
# installs it with apt-get, checks as user nobody that the program has the
# ping capability, starts inside the test lab where only that capability lets
# it ping, and pings 127.0.0.1 there with its Ping button in a real window
# (scripts/real-window-check.sh), then purges it and checks that nothing of it
# is left. Build folder: $BUILD_DIR (default build-package).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build-package}
package=scanvet-address
program=/usr/bin/scanvet
helper=/usr/libexec/scanvet/scanvet-helper
nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)

step() { printf '\n== %s\n' "$*"; }
fail() { echo "FAILED: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || fail "run as root (apt-get, setcap and the test lab need it)"

bash scripts/install-deps.sh
bash scripts/ensure-packages.sh dpkg-dev libcap2-bin util-linux

step "build the package"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCANVET_TESTS=OFF >/dev/null
cmake --build "$build" -j2
rm -f "$build"/${package}_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/${package}_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no package"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"                   # apt's download user reads the package from here
cp "${debs[0]}" "$work/"
deb=$work/$(basename "${debs[0]}")
dpkg-deb --field "$deb" Package Version Architecture Depends
dpkg-deb --contents "$deb" | awk '{print $6}'

if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
  step "an earlier install is purged first"
  apt-get purge -y -qq "$package" >/dev/null
fi
# /etc/netns holds the test labs' short-lived files (other labs may run meanwhile).
snapshot() { find /usr /etc /opt /var/lib/dpkg/info -xdev -path /etc/netns -prune -o -print 2>/dev/null | sort; }
snapshot > "$work/before"

step "apt-get install ./$(basename "$deb")"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
dpkg -L "$package"

step "as user nobody: the helper alone has the capability, the program none"
[ -z "$("${nobody[@]}" getcap "$program")" ] || fail "the program has a capability: $(getcap "$program")"
caps=$("${nobody[@]}" getcap "$helper")
echo "$caps"
with_cap=1
if ! grep -q 'cap_net_raw=ep$' <<<"$caps"; then
  with_cap=0
  echo "NOTE: no capability on $helper: this file system keeps none (the postinst then goes on silently)."
fi

# Inside the lab with --socket raw no user may open the unprivileged ping
# socket, so only the helper's capability lets the program ping through its raw
# socket; without any socket it shows the "Application Error" box and prints it
# to stderr.
start_as_nobody() {   # PROGRAM -> stderr in $work/stderr, exit code in $rc
  local dir
  dir=$(mktemp -d -p "$work")
  chmod 777 "$dir"
  rc=0
  bash "$root/lab/netlab.sh" run --socket raw -- \
    "${nobody[@]}" env -C "$dir" HOME="$dir" QT_QPA_PLATFORM=offscreen \
    timeout 5 "$1" 2>"$work/stderr" >/dev/null || rc=$?
  grep -v '^netlab:' "$work/stderr" | sed 's/^/  | /' || true
}
if [ $with_cap = 1 ]; then
  step "as user nobody, raw sockets only: the installed program starts"
  start_as_nobody "$program"
  [ "$rc" = 124 ] || fail "the program ended by itself (exit code $rc)"
  if grep -q 'Application Error' "$work/stderr"; then fail "the program showed the Application Error box"; fi
  echo "ran until stopped after 5 s, no Application Error"

  step "control: a copy without its helper cannot start there"
  cp "$program" "$work/scanvet-without-capability"
  chmod 755 "$work/scanvet-without-capability"
  start_as_nobody "$work/scanvet-without-capability"
  grep -q 'Application Error' "$work/stderr" || fail "the copy without its helper started: the check proves nothing"
  echo "the copy without its helper shows the Application Error box, as expected"

  step "as user nobody, raw sockets only: the Ping button pings 127.0.0.1 in a real window"
  bash scripts/real-window-check.sh --program "$program" --user 65534 --ping-loopback --build "$build" --shots "$build"
fi

step "apt-get purge $package"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "$package" >/dev/null
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "installed"; then fail "$package is still installed"; fi
snapshot > "$work/after"
left=()
while IFS= read -r f; do
  # A file that another package owns came with a dependency; anything else is ours.
  dpkg -S "$f" >/dev/null 2>&1 || left+=("$f")
done < <(comm -13 "$work/before" "$work/after")
if [ ${#left[@]} -gt 0 ]; then
  printf 'left behind: %s\n' "${left[@]}"
  fail "the purge left files behind"
fi
if find /usr /etc /opt /var/lib/dpkg/info -xdev \( -name "*scanvet*" -o -name "example.scanvet.*" \) 2>/dev/null | grep .; then
  fail "files of the package are still there"
fi
echo "nothing of $package is left"

step "package check passed"
