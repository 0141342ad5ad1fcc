#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The real window, driven as a person would: installs the build into a
# temporary prefix, starts the installed program on a virtual X display inside
# the test lab (so no echo and no name query can leave the machine), and with
# the mouse and the keyboard (xdotool) types 198 51 100 into the octet fields,
# sets the range 1 to 60 on the Config Sheet, presses Run test, waits for its
# caption to come back, saves the computer list and the result sheet through
# the file dialogs, names and forgets a name from a list entry and from a
# History row by the keyboard (the Menu key, the arrows, Return), types a repeat period and cancels the pending repeat with
# Cancel repeat's accelerator, runs again with a slower preset over .28 to .32,
# stops a third test with the slow preset during its first echo, opens the
# About box, sends a single ping (the pointer shows the busy cursor during its
# wait, and the input meanwhile is dropped) and leaves through File, Exit
# during a fourth test. It then checks the saved files (the lab's answering
# hosts with their names and those seen on the link alone, in address order; nothing after
# the stop), the settings
# file and the screenshots (the list pictures' colours). At twice the size it
# also opens the window on a 1024x768 screen, smaller than it: the window fits
# the screen, Tab scrolls Run test into view, and a click on it runs a test.
#
#   bash scripts/real-window-check.sh [--scale 2] [--one-at-a-time] [--no-build] [--build DIR] [--shots DIR]
#   bash scripts/real-window-check.sh --program PATH --user UID --ping-loopback [--shots DIR]
#
# Builds first (into $BUILD_DIR or build/) unless --no-build. Screenshots go to
# docs/ (or --shots DIR): real-window-*.png, or window-hidpi.png with --scale 2,
# which runs the same with QT_SCALE_FACTOR=2. --one-at-a-time turns on "Ping
# one address at a time" before the start: a stop then lets the echo under way
# finish and pings no later address; without it, many echoes are in flight and
# a stop gives the replies already in their lines at once, and no others. The second form starts an
# installed program as another user in a lab where only a raw socket can ping
# (scripts/package-check.sh), pings 127.0.0.1 with the Ping button and checks
# the saved result sheet. Needs root (apt-get and the lab);
# exits 77 (skipped) where there is no root or no lab.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
self=$here/scripts/real-window-check.sh

scale=1
inside=0
build_first=1
build=${BUILD_DIR:-build}
shots=docs
program_path=""
user=""
ping_loopback=0
one_at_a_time=0
out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --scale) scale=$2; shift 2 ;;
    --no-build) build_first=0; shift ;;
    --build) build=$2; shift 2 ;;
    --shots) shots=$2; shift 2 ;;
    --program) program_path=$2; shift 2 ;;
    --user) user=$2; shift 2 ;;
    --ping-loopback) ping_loopback=1; shift ;;
    --one-at-a-time) one_at_a_time=1; shift ;;
    --inside) inside=1; out=$2; shift 2 ;;
    *) echo "usage: see the head of scripts/real-window-check.sh" >&2; exit 2 ;;
  esac
done

fail() { echo "FAILED: $*" >&2; exit 1; }
skip() { echo "SKIPPED: $*"; [ "${SCANVET_LAB_REQUIRED:-}" = 1 ] && exit 1; exit 77; }

# ------------------------------------------------------------------ outside
if [ $inside = 0 ]; then
  [ "$(id -u)" = 0 ] || skip "needs root for apt-get and the test lab"
  cd "$here"
  bash scripts/ensure-packages.sh xvfb xdotool imagemagick x11-utils fonts-dejavu-core libxfixes3

  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  if [ -z "$program_path" ]; then
    if [ $build_first = 1 ]; then
      bash scripts/install-deps.sh
      cmake -S . -B "$build" >/dev/null
      cmake --build "$build" -j2 --target scanvet scanvet_icons late_responder
    fi
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    echo "installed into $work/prefix:"
    (cd "$work/prefix" && find . -type f | sort | sed 's|^\./|  |')
    program_path=$work/prefix/bin/scanvet
  fi
  if [ $ping_loopback = 1 ]; then
    lab=(--socket raw)          # no unprivileged ping socket for anybody
  else
    lab=(--socket dgram --responder "$build/lab/late_responder")
  fi
  mkdir -p "$work/out"
  rc=0
  bash lab/netlab.sh run "${lab[@]}" -- \
    bash "$self" --scale "$scale" ${user:+--user "$user"} $([ $ping_loopback = 1 ] && echo --ping-loopback) \
    $([ $one_at_a_time = 1 ] && echo --one-at-a-time) --program "$program_path" --inside "$work/out" || rc=$?
  mkdir -p "$build"
  rm -f "$build/real-window-failure-$scale.png"
  if [ -f "$work/out/real-window-failure.png" ]; then
    cp "$work/out/real-window-failure.png" "$build/real-window-failure-$scale.png"
    echo "the screen at the failure: $build/real-window-failure-$scale.png"
  fi
  if [ $rc = 0 ]; then
    mkdir -p "$shots"
    for f in "$work"/out/*.png; do cp "$f" "$shots/"; done
    (cd "$work/out" && ls) | sed "s|^|  $shots/|"
    echo "real-window check passed (scale $scale${user:+, user $user}$([ $ping_loopback = 1 ] && echo ", ping 127.0.0.1")$([ $one_at_a_time = 1 ] && echo ", one at a time"))"
  fi
  exit $rc
fi

# ------------------------------------------------------------------ inside the lab
[ "${SCANVET_LAB:-}" = 1 ] || skip "test lab not available: ${SCANVET_LAB_UNAVAILABLE:-unknown reason}"
s=$scale
work=$(mktemp -d)
chmod 711 "$work"
run=$work/run                  # the program's folder: Scanvet.cfg and the saved lists land here
mkdir -m 777 "$run"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Big enough for the window at twice its size; Xvfb picks a free display.
Xvfb -displayfd 3 -screen 0 1920x1280x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; fail "the virtual display did not start"; }
export DISPLAY=:$(head -n1 "$work/display")
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "the virtual display $DISPLAY does not answer"

as_user=()
[ -z "$user" ] || as_user=(setpriv --reuid="$user" --regid="$user" --clear-groups)

cd "$run"
if [ $one_at_a_time = 1 ]; then
  mkdir -p "$run/.config/scanvet"
  printf '[General]\noneAtATime=true\n' > "$run/.config/scanvet/scanvet-address.conf"
  chmod -R a+rwX "$run/.config"
fi
"${as_user[@]}" env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME="$run" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$s" LC_ALL=C.UTF-8 "$program_path" \
  >"$work/program.log" 2>&1 &
program=$!
pids+=($program)

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Scanvet Address$' | head -n1) ||
  { cat "$work/program.log" >&2; fail "the window did not appear"; }
eval "$(xdotool getwindowgeometry --shell "$window")"   # X Y WIDTH HEIGHT
win_x=$X win_y=$Y win_w=$WIDTH win_h=$HEIGHT
# The client area (800 x 490 unscaled pixels) sits under the menu bar.
cx=$win_x
cy=$(( win_y + win_h - 490 * s ))
echo "window $window at ${win_x},${win_y} ${win_w}x${win_h}, client at ${cx},${cy}, scale $s"
[ "$win_w" = $(( 800 * s )) ] || fail "the window is $win_w wide, not $(( 800 * s ))"

# Unscaled coordinates relative to the client area.
click() {
  xdotool mousemove --sync $(( cx + $1 * s )) $(( cy + $2 * s )) click 1
  sleep 0.3
}
type_into() {   # x y text
  click "$1" "$2"
  xdotool key ctrl+a
  xdotool type --delay 60 "$3"
  sleep 0.2
}
shot() {        # name: the window, cropped from the screen
  import -window root -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage "$work/$1.png"
}
keep() { cp "$work/$1.png" "$out/$2"; }
# On failure inside, the whole screen is kept (as real-window-failure.png in the build folder).
fail() {
  import -window root "$out/real-window-failure.png" 2>/dev/null || true
  echo "FAILED: $*" >&2
  exit 1
}
# The caption of Run test, without the button's frame (focus and hover show there).
caption() {
  import -window root -crop "$(( 45 * s ))x$(( 15 * s ))+$(( cx + 746 * s ))+$(( cy + 9 * s ))" +repage "$work/$1.png"
}
same() { [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1)" = 0 ]; }
# The right end of the status bar, where only a pending repeat shows (of the window at X Y WIDTH HEIGHT, or the
# main one).
status_end() {  # name [x y width height]
  local x=${2:-$win_x} y=${3:-$win_y} w=${4:-$win_w} h=${5:-$win_h}
  import -window root -crop "$(( 150 * s ))x$(( 17 * s ))+$(( x + w - 150 * s ))+$(( y + h - 18 * s ))" +repage "$work/$1.png"
}
# A digest of the pointer's picture as the X server shows it (XFixes).
pointer_picture() {
  python3 - <<'PY'
import ctypes, hashlib
class Image(ctypes.Structure):  # the head of XFixesCursorImage
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort), ("serial", ctypes.c_ulong),
                ("pixels", ctypes.POINTER(ctypes.c_ulong))]
x11, xfixes = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXfixes.so.3")
x11.XOpenDisplay.restype = ctypes.c_void_p
xfixes.XFixesQueryVersion.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(Image)
display = x11.XOpenDisplay(None)
xfixes.XFixesQueryVersion(display, ctypes.byref(ctypes.c_int(4)), ctypes.byref(ctypes.c_int(0)))
image = xfixes.XFixesGetCursorImage(display).contents
pixels = ctypes.cast(image.pixels, ctypes.POINTER(ctypes.c_ulong * (image.width * image.height))).contents
print(hashlib.sha1(bytes(pixels)).hexdigest())
PY
}
# Waits until a region (unscaled coordinates; no text cursor blinks there) has
# looked the same for about a second, then takes the window's picture NAME.
settle() {      # name x y width height
  local i stable=0
  import -window root -crop "$(( $4 * s ))x$(( $5 * s ))+$(( cx + $2 * s ))+$(( cy + $3 * s ))" +repage "$work/region-a.png"
  for i in $(seq 60); do
    sleep 0.3
    import -window root -crop "$(( $4 * s ))x$(( $5 * s ))+$(( cx + $2 * s ))+$(( cy + $3 * s ))" +repage "$work/region-b.png"
    if same region-a region-b; then
      stable=$(( stable + 1 ))
      if [ $stable -ge 3 ]; then shot "$1"; return 0; fi
    else
      stable=0
      mv "$work/region-b.png" "$work/region-a.png"
    fi
  done
  fail "the window did not settle for $1"
}
list_region=(4 38 790 330)    # the list, or the result sheet
save_through_dialog() {   # title file-name
  local dialog
  dialog=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) || fail "no dialog \"$1\""
  xdotool windowfocus --sync "$dialog"
  sleep 0.5
  shot "dialog-$2"
  xdotool key ctrl+a
  xdotool type --delay 60 "$2"
  xdotool key Return
  for _ in $(seq 100); do [ -e "$run/$2.txt" ] && break; sleep 0.1; done
  [ -e "$run/$2.txt" ] || fail "$2.txt was not saved"
}

# Tabs along the bottom of the page control (measured with the Fusion style).
tab_y=420
test_tab_x=37
result_tab_x=118
config_tab_x=206
history_tab_x=288

run_test() {                # presses Run test and waits for its caption to come back
  click 768 16
  xdotool mousemove $(( cx + 400 * s )) $(( cy + 200 * s ))
  local _
  for _ in $(seq 600); do
    sleep 0.1
    caption now
    if same idle now; then return 0; fi
  done
  fail "Run test did not come back within 60 s"
}

settle start "${list_region[@]}"
caption idle
leave() {                   # File, Exit, and the program ends
  click 400 480             # back into the window (the status bar)
  xdotool key alt+f
  sleep 0.3
  xdotool key e
  for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$program" 2>/dev/null || fail "File, Exit did not end the program"
}
status=0
check() { if eval "$2"; then echo "ok: $1"; else echo "NOT OK: $1"; status=1; fi; }

if [ $ping_loopback = 1 ]; then
  type_into 24 16 127
  type_into 80 16 0
  type_into 136 16 0
  type_into 192 16 1
  click 704 16              # Ping
  click "$result_tab_x" "$tab_y"
  settle ping-loopback "${list_region[@]}"
  click 760 392             # Save List under the result sheet
  save_through_dialog "Save Scanvet Results" ScanvetStatus
  leave
  keep ping-loopback real-window-ping-loopback.png
  sheet=$(tr -d '\r' <"$run/ScanvetStatus.txt")
  echo "--- ScanvetStatus.txt"; echo "$sheet"; echo "---"
  check "the program ran as user ${user:-$(id -u)}" '[ "$(stat -c %u "$run/ScanvetStatus.txt")" = "${user:-$(id -u)}" ]'
  check "127.0.0.1 answered the Ping button" \
    '[ "$sheet" != "${sheet#Sending ping to 127.0.0.1 Reply O.K. - in }" ] && [ "$(wc -l <<<"$sheet")" = 1 ]'
  exit $status
fi

# Round 1: the LAN preset over 198.51.100.1 to .60.
type_into 24 16 198
type_into 80 16 51
type_into 136 16 100
click "$config_tab_x" "$tab_y"
type_into 154 68 0          # repeat period: none, so nothing starts by itself
type_into 154 102 1         # range minimum: lowest last octet
type_into 154 136 60        # range maximum: highest
settle config 10 175 770 100
run_test
settle round1 "${list_region[@]}"   # host names arrive in the background
click 760 392               # Save List under the list
save_through_dialog "Save List Of Computers" ComputerList
# The naming menu on the keyboard alone: the Menu key on the list's first entry (.2, the scanner, named by its
# address) and on the History page's first row, the arrows and Return; the names kept are read back with --known.
known() {                   # waits until scanvet --known lists exactly the labels given ("" for none)
  local _ listed
  for _ in $(seq 50); do
    listed=$(HOME="$run" env -u XDG_CONFIG_HOME -u XDG_DATA_HOME "$program_path" --known --format csv | tail -n +2 | cut -d, -f2 | sed '/^$/d' | tr '\n' ' ' || true)
    [ "$listed" = "$1" ] && return 0
    sleep 0.2
  done
  echo "scanvet --known lists: $listed" >&2
  return 1
}
naming_menu() {             # choice (1 Name this computer…, 2 Forget this name) [name note]
  xdotool key Menu
  sleep 0.5
  # Down: the first choice whether none is current or it is (Forget is off for a computer without a name);
  # Up: the last, Forget, either way.
  xdotool key "$([ "$1" = 1 ] && echo Down || echo Up)" Return
  [ "$1" = 1 ] || { sleep 0.5; return 0; }
  naming=$(timeout 20 xdotool search --sync --onlyvisible --name '^Name this computer$' | head -n1) ||
    fail "Name this computer… showed no dialog"
  xdotool windowfocus --sync "$naming"
  sleep 0.5
  [ -n "${shot_dialog:-}" ] && { shot naming-dialog; keep naming-dialog real-window-naming-dialog.png; shot_dialog=""; }
  xdotool key ctrl+a
  xdotool type --delay 60 "$2"
  xdotool key Tab
  xdotool type --delay 60 "$3"
  xdotool key Return
  sleep 0.5
  ! xdotool search --onlyvisible --name '^Name this computer$' >/dev/null || fail "the naming dialog did not close"
}
first_line=(4 38 790 20)    # the list's first line of entries
into_sheet() {              # tab X, KEY: the sheet's first control (after the first octet, nine others), then KEY
  click "$1" "$tab_y"
  click 24 16
  xdotool mousemove $(( cx + 400 * s )) $(( cy + 480 * s ))   # off the list: no hover look
  for _ in $(seq 10); do xdotool key Tab; done
  xdotool key "$2"
}
line() {                    # name: the list's first line, once it has settled
  settle "$1" "${first_line[@]}"
  import -window root -crop "$(( first_line[2] * s ))x$(( first_line[3] * s ))+$(( cx + first_line[0] * s ))+$(( cy + first_line[1] * s ))" \
    +repage "$work/$1-line.png"
}
into_sheet "$test_tab_x" Home
line unnamed
shot_dialog=1
naming_menu 1 Gateway "our own address"
check "Name this computer… from a list entry by the keyboard kept the name" 'known "Gateway "'
line named
check "the list entry shows its new name" '! same unnamed-line named-line'
into_sheet "$history_tab_x" ctrl+Home
naming_menu 2
check "Forget this name from a History row by the keyboard forgot it" 'known ""'
naming_menu 1 Scanner ""
check "Name this computer… from a History row by the keyboard kept the name" 'known "Scanner "'
into_sheet "$test_tab_x" Home
naming_menu 2
check "Forget this name from a list entry by the keyboard forgot it" 'known ""'
line forgotten
check "the list entry shows its own name again, as before it was named" 'same unnamed-line forgotten-line'
click "$result_tab_x" "$tab_y"
settle result-sheet "${list_region[@]}"
click 760 392               # Save List under the result sheet
save_through_dialog "Save Scanvet Results" ScanvetStatus
click "$history_tab_x" "$tab_y"
settle history "${list_region[@]}"   # the history reads in the background

# A period typed after a whole test arms the repeat: the status bar's end shows when the next test starts,
# with Cancel repeat beside it, whose accelerator (Alt+N) cancels the repeat alone.
status_end no-repeat
click "$config_tab_x" "$tab_y"
type_into 154 68 1
status_end repeat-pending
xdotool key alt+n
sleep 0.5
status_end repeat-cancelled
check "a period typed after a test shows the pending repeat at the status bar's end" '! same no-repeat repeat-pending'
check "Alt+N (Cancel repeat) cancelled the pending repeat" 'same no-repeat repeat-cancelled'
type_into 154 68 0

# Round 2: the slower "fast Internet" preset over .28 to .32 finds the late host.
click "$config_tab_x" "$tab_y"
click 100 232               # speed preset "fast Internet"
type_into 154 102 28
type_into 154 136 32
run_test
click "$test_tab_x" "$tab_y"
settle test-sheet "${list_region[@]}"
click 760 392
save_through_dialog "Save List Of Computers" ComputerList2

# Round 3: the same range with the slow preset. While .28 keeps the test busy
# (3000 ms), the list is locked against input but keeps its colours; Stop Test
# then ends the test: one at a time after that echo, with no later address
# pinged; with many in flight at once, with the late host's reply (in by
# then) and no line of the silent addresses still waiting.
click "$config_tab_x" "$tab_y"
click 100 250               # speed preset "slow Internet or heavy traffic"
click 768 16
xdotool mousemove $(( cx + 400 * s )) $(( cy + 200 * s ))   # off the button: no hover look
sleep 0.4
shot during-test
caption now
check "a test was running when the list's picture was taken" '! same idle now'
# The mouse wheel over the tabs passes the hidden Config Sheet during a test: three turns on to the History
# page at the end, two back to the Test Sheet (a fourth tab would stop them on the Result Sheet).
xdotool mousemove --sync $(( cx + test_tab_x * s )) $(( cy + tab_y * s )) click 5 click 5 click 5 click 4 click 4
sleep 0.3
shot after-wheel
list_of() { convert "$work/$1.png" -crop "$(( 790 * s ))x$(( 330 * s ))+$(( 4 * s ))+$(( win_h - 490 * s + 38 * s ))" +repage "$work/$1-list.png"; }
list_of during-test
list_of after-wheel
check "the wheel over the tabs during a test left the Test Sheet in view" 'same during-test-list after-wheel-list'
click 768 16                # Stop Test
xdotool mousemove $(( cx + 400 * s )) $(( cy + 200 * s ))
for _ in $(seq 600); do sleep 0.1; caption now; same idle now && break; done
check "Stop Test ended the test" 'same idle now'
click "$result_tab_x" "$tab_y"
click 760 392
save_through_dialog "Save Scanvet Results" ScanvetStatus3
if [ $one_at_a_time = 1 ]; then
  check "after a stop during .28's echo no later address was pinged (no reply of .30)" '[ ! -s "$run/ScanvetStatus3.txt" ]'
else
  check "after a stop while .28 waits, the reply of .30 is in and nothing else" \
    '[ "$(tr -d "\r" < "$run/ScanvetStatus3.txt" | sed "s/ in [0-9]* msecs//")" = "Sending ping to 198.51.100.30 Reply O.K. -" ]'
fi

click 400 480               # back into the window (the status bar)
xdotool key alt+h
sleep 0.3
xdotool key a               # Help, About
about=$(timeout 20 xdotool search --sync --onlyvisible --name '^About$' | head -n1) || fail "no About box"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$about")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/about.png"
[ "$WIDTH" = $(( 298 * s )) ] || fail "the About box is $WIDTH wide, not $(( 298 * s ))"
xdotool mousemove --sync $(( X + 148 * s )) $(( Y + HEIGHT - 22 * s )) click 1    # OK
for _ in $(seq 50); do xdotool search --onlyvisible --name '^About$' >/dev/null || break; sleep 0.1; done
! xdotool search --onlyvisible --name '^About$' >/dev/null || fail "OK did not close the About box"
# A single ping to the silent .20 blocks the window for the slow preset's 3 s: a click on Run test and
# Alt+R during the wait are dropped, not replayed after it.
click 400 480               # back into the window after the save dialog, which gives the focus to the first octet
sleep 0.5
type_into 192 16 20
xdotool mousemove --sync $(( cx + 400 * s )) $(( cy + 200 * s ))   # over the list: the usual pointer
sleep 0.3
usual=$(pointer_picture)
click 704 16                # Ping
click 768 16
xdotool key alt+r
xdotool mousemove $(( cx + 400 * s )) $(( cy + 200 * s ))
busy=$(pointer_picture)
sleep 4
xdotool mousemove --sync $(( cx + 401 * s )) $(( cy + 200 * s ))   # the moves during the wait were dropped too
sleep 0.3
after=$(pointer_picture)
caption now
check "input during a single ping's wait started no test" 'same idle now'
check "the pointer showed the busy cursor during the wait, the usual one after it" \
  '[ "$busy" != "$usual" ] && [ "$after" = "$usual" ]'
click 768 16                # a test once more, closed during .28's echo: the close waits for nothing
sleep 0.4
leave

# At twice the size on a 1024x768 screen, smaller than the window: the window fits the screen (its title bar
# and menu on it) and its client area scrolls; Tab brings Run test into view, and a click on it runs a test,
# which then shows the pending repeat at the status bar's end.
if [ "$s" = 2 ]; then
  Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$work/small" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/small" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n1 "$work/small")
  mkdir -m 777 "$work/small-run"
  printf '198\r\n51\r\n100\r\n1\r\n1\r\n60\r\n1\r\n' > "$work/small-run/Scanvet.cfg"
  chmod 666 "$work/small-run/Scanvet.cfg"
  (cd "$work/small-run" && exec "${as_user[@]}" env HOME="$work/small-run" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 \
    LC_ALL=C.UTF-8 "$program_path" >/dev/null 2>&1) &
  pids+=($!)
  small=$(timeout 30 xdotool search --sync --onlyvisible --name '^Scanvet Address$' | head -n1) ||
    fail "the window did not appear on the small screen"
  menu_h=$(( cy - win_y ))                          # as on the large screen
  eval "$(xdotool getwindowgeometry --shell "$small")"
  echo "on a 1024x768 screen at twice the size: the window at $X,$Y ${WIDTH}x$HEIGHT"
  [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] || fail "the window's title bar or menu lies off the small screen ($X,$Y)"
  check "at twice the size the window fits the 1024x768 screen" '[ $(( X + WIDTH )) -le 1024 ] && [ $(( Y + HEIGHT )) -le 768 ]'
  sleep 1
  status_end small-before "$X" "$Y" "$WIDTH" "$HEIGHT"
  xdotool mousemove --sync $(( X + 24 * s )) $(( Y + menu_h + 16 * s )) click 1    # the first octet
  for _ in $(seq 8); do xdotool key Tab; sleep 0.1; done                          # on to Run test
  sleep 0.5
  # Scrolled to its right end: Run test ends 3 pixels short of it, left of the vertical scroll bar (14 wide).
  xdotool mousemove --sync $(( X + WIDTH - 44 * s )) $(( Y + menu_h + 16 * s )) click 1
  ran=0
  for _ in $(seq 300); do
    sleep 0.1
    status_end small-after "$X" "$Y" "$WIDTH" "$HEIGHT"
    if ! same small-before small-after; then ran=1; break; fi
  done
  check "on the small screen Run test, scrolled into view, ran a test" '[ $ran = 1 ]'
  kill "${pids[-1]}"
fi

if [ "$s" = 1 ]; then
  keep config real-window-config-sheet.png
  keep test-sheet real-window-test-sheet.png
  keep result-sheet real-window-result-sheet.png
  keep history real-window-history.png
  keep about real-window-about.png
  keep dialog-ComputerList real-window-save-dialog.png
else
  # The Test Sheet above the Config Sheet, whose labels and groups have fixed
  # places, and the About box.
  convert -background '#808080' "$work/test-sheet.png" "$work/config.png" "$work/about.png" -append +repage "$out/window-hidpi.png"
fi

# ------------------------------------------------------------------ checks
report=$(tr -d '\r' <"$run/ComputerList.txt")
sheet=$(tr -d '\r' <"$run/ScanvetStatus.txt")
report2=$(tr -d '\r' <"$run/ComputerList2.txt")
for f in ComputerList.txt ScanvetStatus.txt ComputerList2.txt Scanvet.cfg; do echo "--- $f"; tr -d '\r' <"$run/$f"; done
echo "---"
entry() { printf '%-41s %s' "$1" "${2:-On}"; }
# In address order: the answering hosts, the late host (too slow for the LAN preset, then seen on the link alone) and
# the hosts that answered ARP alone (.40 to .42).
listed() {
  printf '%s\n' "$(entry '198.51.100.2 scanner.lab')" "$(entry '198.51.100.5 echo5.lab')" \
    "$(entry '198.51.100.10 alpha.lab')" "$(entry '198.51.100.11 bravo.lab')" "$(entry 198.51.100.12)" \
    "$(entry 198.51.100.13)" "$(entry '198.51.100.30 late.lab' "$1")" "$(entry 198.51.100.40 Off)" \
    "$(entry 198.51.100.41 Off)" "$(entry 198.51.100.42 Off)" "$(entry '198.51.100.50 echo50.lab')"
}
expected=$(listed Off)
expected2=$(listed On)
entries() { sed -n '12,/^$/p' <<<"$1" | sed '/^$/d'; }
check "the report's parameters are the typed ones" \
  'grep -qx "IP Address : 198.51.100.xxx" <<<"$report" && grep -qx "IP range   : min = 1" <<<"$report" && grep -qx "IP range   : max = 60" <<<"$report"'
check "the report lists exactly the lab's answering hosts, with their names, and those seen on the link alone, Off, in address order" \
  '[ "$(entries "$report")" = "$expected" ]'
check "the report has its end marker" '[ "$(tail -n1 <<<"$report")" = "--- End of List ---" ]'
check "with the LAN preset the late host (.30) misses its echo and is seen on the link alone" \
  'grep -qx "198\.51\.100\.30 late\.lab *Off" <<<"$report"'
check "the result sheet shows the seven replies, one a line" \
  '[ "$(grep -cE "^Sending ping to 198\.51\.100\.(2|5|10|11|12|13|50) Reply O\.K\. - in [0-9]+ msecs$" <<<"$sheet")" = 7 ] && [ "$(wc -l <<<"$sheet")" = 7 ]'
check "with the slower preset the late host answers in its place, named" '[ "$(entries "$report2")" = "$expected2" ]'
check "the second report has the second range" \
  'grep -qx "IP range   : min = 28" <<<"$report2" && grep -qx "IP range   : max = 32" <<<"$report2"'
check "Scanvet.cfg keeps the typed octets, range and repeat period" \
  '[ "$(tr -d "\r" <"$run/Scanvet.cfg" | sed -n "1,3p;5,7p" | tr "\n" " ")" = "198 51 100 28 32 0 " ]'

# Pixels: both colours of the "answered" list picture (lit blue screen, green
# lamps) for each of the eight entries, the violet plug of the three seen on the
# link alone, and none of the dark screen's orange
# lamp, counted in the list alone. Scaled up, the pictures are smoothed, so
# colours are matched loosely there.
fuzz=$(( s == 1 ? 0 : 20 ))
for picture in test-sheet during-test; do
  convert "$work/$picture.png" -crop "$(( 800 * s ))x$(( 330 * s ))+0+$(( win_h - 490 * s + 36 * s ))" +repage "$work/list.png"
  count() { convert "$work/list.png" -fuzz "$fuzz%" -fill black +opaque "$1" -fill white -opaque "$1" -format '%[fx:round(mean*w*h)]' info:; }
  blue=$(count 'rgb(40,110,255)')
  green=$(count 'rgb(0,220,0)')
  orange=$(count 'rgb(255,140,0)')
  violet=$(count 'rgb(160,32,240)')
  echo "$picture: list picture pixels: screen blue $blue, lamp green $green, orange $orange, plug violet $violet"
  check "$picture: eight answered-computer pictures in the list (screen blue)" "[ $blue -ge $(( 8 * 30 * s * s )) ]"
  check "$picture: their green lamps" "[ $green -ge $(( 8 * 2 * s * s )) ]"
  check "$picture: no not-answering picture" "[ $orange = 0 ]"
  check "$picture: three seen-on-the-link-alone pictures (a violet plug)" "[ $violet -ge $(( 3 * 18 * s * s )) ]"
done
exit $status
