#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Inside the test lab (bench/knock_run.sh starts it): the whole command line,
# as user nobody, with a CSV report and no history,
# - over the silent routed /24 (192.0.2.0/24, dropped by the router without an
#   error) at the fast and slow presets, with the TCP knock on (80,443) and off
#   (--tcp-ports none), taking turns going first;
# - over the lab's routed range 203.0.113.1-254 (one host answering echo, two
#   found by a knock alone, one dropping everything, the rest unreachable)
#   with the knock on, beside nmap -sn without privileges (as nobody: it
#   connects to 80 and 443), taking turns going first.
# Prints "key value" lines: times in ms and what each found.
#
#   knock_lab.sh REPS BUILD
set -euo pipefail
source "$(dirname "$0")/lab_setup.sh" "$1" "$2"
nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
timed() {
  local label=$1; shift
  local start end
  start=$(date +%s%N)
  nice -n "$nice" "$@" >"$work/out.txt" 2>"$work/err.txt" || true
  end=$(date +%s%N)
  echo "$label.ms $(ms "$start" "$end")"
}
scan=("${nobody[@]}" "$work/scanvet" --quiet --no-history --format csv)
found_csv() { tail -n +2 "$1" | cut -d, -f1 | sort | tr '\n' ' '; }
raw=$work/raw.txt
for rep in $(seq "$reps"); do
  for preset in fast slow; do
    on() { timed "routed24_${preset}_knock" "${scan[@]}" --range 192.0.2.1-254 --preset "$preset" --report "$work/home/on.csv"; }
    off() { timed "routed24_${preset}_noknock" "${scan[@]}" --range 192.0.2.1-254 --preset "$preset" --tcp-ports none \
              --report "$work/home/off.csv"; }
    if [ $((rep % 2)) = 1 ]; then on; off; else off; on; fi
  done
  knock() {
    timed lab_routed_knock "${scan[@]}" --range 203.0.113.1-254 --preset fast --report "$work/home/lab.csv"
    echo "lab_routed_knock.found $(found_csv lab.csv)" >> "$work/found.txt"
  }
  peer() {
    timed lab_routed_nmap "${nobody[@]}" nmap -sn -n -oG - 203.0.113.1-254
    echo "lab_routed_nmap.found $(awk '/Status: Up/ { print $2 }' "$work/out.txt" | sort | tr '\n' ' ')" >> "$work/found.txt"
  }
  if [ $((rep % 2)) = 1 ]; then knock; peer; else peer; knock; fi
done >> "$raw"
# Median, min and max of each key over the repetitions.
for key in $(cut -d' ' -f1 "$raw" | sort -u); do
  awk -v k="$key" '$1 == k { print $2 }' "$raw" | sort -g |
    awk -v k="$key" '{ v[NR] = $1 } END { printf "%s.median %s\n%s.min %s\n%s.max %s\n", k, v[int((NR + 1) / 2)], k, v[1], k, v[NR] }'
done
sort "$work/found.txt" | uniq -c
