#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Inside the test lab (bench/link_run.sh starts it): the whole command line
# over the LAN /24 at the LAN preset with a CSV report written, so that the
# test waits for its sightings (the history kept too): as root, asking ARP
# through the helper, and as user nobody with a helper that has no
# capability, from the neighbour table; beside fping -r0 -i1 and arp-scan,
# each after a flush of the neighbour table, taking turns. Prints "key value"
# lines: the times in ms and how many ARP-only hosts each run found.
#
#   link_lan.sh REPS BUILD
set -euo pipefail
source "$(dirname "$0")/lab_setup.sh" "$1" "$2"
arp_only() { grep -c -E '^198\.51\.100\.4[012],.*,(00:1c:42:5c:a1:40|70:b3:d5:71:9a:41|02:5c:a1:00:00:42),' "$1" || true; }
timed() {
  local label=$1; shift
  ip -4 neigh flush all
  local start end
  start=$(date +%s%N)
  nice -n "$nice" "$@" >/dev/null 2>"$work/err.txt" || true
  end=$(date +%s%N)
  echo "$label.ms $(ms "$start" "$end")"
}
raw=$work/raw.txt
for rep in $(seq "$reps"); do
  runs=(root nobody fping arpscan)
  turn=$(( (rep - 1) % 4 ))
  for run in "${runs[@]:$turn}" "${runs[@]:0:$turn}"; do
    case $run in
      root) timed lan_root "$build/scanvet" --quiet --range 198.51.100.1-254 --preset lan --report root.csv --format csv
            echo "lan_root.arp_only $(arp_only root.csv)" ;;
      nobody) timed lan_nobody setpriv --reuid=65534 --regid=65534 --clear-groups "$work/scanvet" --quiet \
                --range 198.51.100.1-254 --preset lan --report "$work/home/nobody.csv" --format csv
              echo "lan_nobody.arp_only $(arp_only nobody.csv)" ;;
      fping) timed lan_fping fping -a -q -r0 -i1 -t1 -g 198.51.100.1 198.51.100.254 ;;
      arpscan) timed lan_arpscan arp-scan -q -I eth0 198.51.100.0/24 ;;
    esac
  done
done >> "$raw"
# Median, min and max of each key over the repetitions.
for key in $(cut -d' ' -f1 "$raw" | sort -u); do
  awk -v k="$key" '$1 == k { print $2 }' "$raw" | sort -g |
    awk -v k="$key" '{ v[NR] = $1 } END { printf "%s.median %s\n%s.min %s\n%s.max %s\n", k, v[int((NR + 1) / 2)], k, v[1], k, v[NR] }'
done
