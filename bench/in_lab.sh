#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs inside the test lab (bench/run.sh starts it):  in_lab.sh lan|known|routed|all REPS BUILD RESULTS
set -euo pipefail
what=$1 reps=$2 build=$3 results=$4
[ -z "${SCANVET_LAB_UNAVAILABLE:-}" ] || { echo "bench: no test lab: $SCANVET_LAB_UNAVAILABLE" >&2; exit 1; }
bench=$build/bench/scanvet_bench
scanvet=$build/scanvet
nice=${BENCH_NICE:--10}
all_reps=${BENCH_ALL_REPS:-20}
work=$(mktemp -d)   # the window reads and writes its settings file here
trap 'rm -rf "$work"' EXIT
cd "$work"
# The window's preferences (QSettings) and any data the program keeps stay here too.
export QT_QPA_PLATFORM=offscreen HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache

# The value of key $1 in the lines of the repetition under way.
value() { awk -v k="$1" '$1 == k { v = $2 } END { print v }' "$work/rep.txt"; }
load() { echo "$1.load_average_1min $(cut -d' ' -f1 /proc/loadavg)" >> "$results"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a / b }'; }
# A sweep's floor in ms: COUNT requests at the pace of 0.25 ms, and the time-out of the last.
floor_ms() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.2f", n * 0.25 + t }'; }
flush() { ip -4 neigh flush all; }

# fping over FIRST..LAST with time-out T and interval I (ms), no retries, as
# one whole process; records its time, memory and the addresses it saw alive.
fping_run() {
  local label=$1 t=$2 i=$3 first=$4 last=$5
  flush
  nice -n "$nice" "$bench" run --label "$label" --stdout "$work/alive.txt" -- \
    fping -a -r0 -i"$i" -t"$t" -g "$first" "$last" >> "$work/rep.txt"
  echo "$label.alive $(wc -l < "$work/alive.txt")" >> "$work/rep.txt"
}

# scanvet on the command line, as one whole process: LABEL FLOOR_MS ARGS...
cli_run() {
  local label=$1 floor=$2; shift 2
  flush
  nice -n "$nice" "$bench" run --label "$label" --floor-ms "$floor" -- "$scanvet" --quiet "$@" >> "$work/rep.txt"
}

# The window's sweep as wire_lan, each in a history of its own: with none known (wire_lan_unnamed), and with
# 1,000 known computers named, the LAN's own among them (wire_lan_known); taking turns going first.
known_pair() {
  local rep=$1 pass
  for pass in $([ $((rep % 2)) = 1 ] && echo "unnamed known" || echo "known unnamed"); do
    rm -rf "$work/data-$pass"
    XDG_DATA_HOME=$work/data-$pass nice -n "$nice" "$bench" sweep --preset 0 --label "wire_lan_$pass" \
      --known "$([ "$pass" = known ] && echo 1000 || echo 0)" >> "$work/rep.txt"
  done
  for key in scan_ms settled_ms; do
    echo "wire_lan_known.${key%_ms}_over_unnamed $(ratio "$(value "wire_lan_known.$key")" "$(value "wire_lan_unnamed.$key")")" >> "$work/rep.txt"
  done
}

case "$what" in
known)
  load wire_lan_known
  for rep in $(seq "$reps"); do
    : > "$work/rep.txt"
    known_pair "$rep"
    cat "$work/rep.txt" >> "$results"
  done
  ;;
lan)
  load sweep1
  for rep in $(seq "$reps"); do
    : > "$work/rep.txt"
    # One address at a time: an empty list and sheet, 10,000 list entries,
    # 100,000 sheet lines, the three taking turns going first. All append to
    # the sheet, since the lines put on it beforehand must stay.
    passes=("--label sweep1" "--label sweep1_10k --prefill 10000" "--label sweep1_100k --prefill-lines 100000")
    turn=$(( (rep - 1) % 3 ))
    passes=("${passes[@]:$turn}" "${passes[@]:0:$turn}")
    for pass in "${passes[@]}"; do
      # shellcheck disable=SC2086
      nice -n "$nice" "$bench" sweep --preset 0 --one-at-a-time --append $pass >> "$work/rep.txt"
    done
    for other in sweep1_10k sweep1_100k; do
      echo "$other.handover_over_empty $(ratio "$(value $other.handover_median_us)" "$(value sweep1.handover_median_us)")" >> "$work/rep.txt"
    done
    echo "sweep1_100k.scan_over_empty $(ratio "$(value sweep1_100k.scan_ms)" "$(value sweep1.scan_ms)")" >> "$work/rep.txt"
    # The window's sweep (the default), its requests timed as they leave.
    nice -n "$nice" "$bench" sweep --preset 0 --label wire_lan >> "$work/rep.txt"
    known_pair "$rep"
    # The command line's whole process against fping's, each after a flush
    # of the neighbour table, taking turns going first.
    lan_cli() {
      cli_run cli_lan "$(floor_ms 254 1)" --range 198.51.100.1-254 --preset lan --report "$work/found.csv" --format csv
      echo "cli_lan.found $(( $(wc -l < "$work/found.csv") - 1 ))" >> "$work/rep.txt"
    }
    lan_fping() { fping_run fping_t1_i1 1 1 198.51.100.1 198.51.100.254; }
    if [ $((rep % 2)) = 1 ]; then lan_cli; lan_fping; else lan_fping; lan_cli; fi
    # The same scan writing no report (the lines of the answers to a file), and the command line's start-up alone.
    cli_run cli_lan_no_report "$(floor_ms 254 1)" --range 198.51.100.1-254 --preset lan
    nice -n "$nice" "$bench" run --label cli_startup --floor-ms 0 --stdout "$work/version.txt" -- "$scanvet" --version \
      >> "$work/rep.txt"
    echo "cli_lan_no_report.over_floor $(ratio "$(value cli_lan_no_report.ms)" "$(floor_ms 254 1)")" >> "$work/rep.txt"
    fping_ms=$(value fping_t1_i1.ms)
    {
      echo "sweep1.scan_over_fping $(ratio "$(value sweep1.scan_ms)" "$fping_ms")"
      echo "wire_lan.wire_over_fping $(ratio "$(value wire_lan.wire_ms)" "$fping_ms")"
      echo "cli_lan.over_fping $(ratio "$(value cli_lan.ms)" "$fping_ms")"
    } >> "$work/rep.txt"
    # The fastest fping takes as root: every request at once.
    fping_run fping_t1_i0 1 0 198.51.100.1 198.51.100.254
    cat "$work/rep.txt" >> "$results"
  done
  nice -n "$nice" "$bench" startup --exe "$build/bench/scanvet_bench_startup" --label startup --reps "$reps" >> "$results"
  # Once per run: hundreds of tests in the window, as it sweeps by default.
  load soak
  nice -n "$nice" "$bench" soak --label soak >> "$results"
  ;;
routed)
  # Silent routed ranges: the router drops every request without an error.
  load cli_routed24
  for rep in $(seq "$reps"); do
    : > "$work/rep.txt"
    for preset in fast:600 slow:3000; do
      name=${preset%%:*} t=${preset#*:}
      one_cli() { cli_run "cli_routed24_$name" "$(floor_ms 254 "$t")" --range 192.0.2.1-254 --preset "$name"; }
      one_fping() { fping_run "fping_routed24_$name" "$t" 1 192.0.2.1 192.0.2.254; }
      if [ $((rep % 2)) = 1 ]; then one_cli; one_fping; else one_fping; one_cli; fi
      echo "cli_routed24_$name.over_fping $(ratio "$(value "cli_routed24_$name.ms")" "$(value "fping_routed24_$name.ms")")" >> "$work/rep.txt"
    done
    cat "$work/rep.txt" >> "$results"
  done
  # A silent /16 (65,534 addresses), beside fping at the same pace.
  load cli_routed16
  for rep in $(seq "$reps"); do
    : > "$work/rep.txt"
    cli_run cli_routed16 "$(floor_ms 65534 600)" --range 198.18.0.0/16 --preset fast
    fping_run fping_routed16 600 0.25 198.18.0.1 198.18.255.254
    cat "$work/rep.txt" >> "$results"
  done
  ;;
all)
  # Every address but .30 answers the echo (no late responder: .30 stays
  # silent), and .30 is found by its ARP reply alone, so all 254 are found at
  # every preset. The window sweeps.
  load all_answer
  for rep in $(seq "$all_reps"); do
    for preset in 0:all_lan 1:all_fast 2:all_slow; do
      nice -n "$nice" "$bench" sweep --preset "${preset%%:*}" --label "${preset#*:}" --gui-timer >> "$results"
    done
  done
  # The GUI thread held for 10 s shortly after the click of a second test
  # (the first loads the maker lists): memory stays flat.
  for rep in $(seq "$reps"); do
    nice -n "$nice" "$bench" sweep --preset 1 --label blocked --block-ms 10000 --warm-up >> "$results"
  done
  ;;
esac
