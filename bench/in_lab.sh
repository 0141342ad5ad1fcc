#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs inside the test lab (bench/run.sh starts it):  in_lab.sh lan|all REPS BUILD RESULTS
set -euo pipefail
what=$1 reps=$2 build=$3 results=$4
[ -z "${SCANVET_LAB_UNAVAILABLE:-}" ] || { echo "bench: no test lab: $SCANVET_LAB_UNAVAILABLE" >&2; exit 1; }
bench=$build/bench/scanvet_bench
nice=${BENCH_NICE:--10}
work=$(mktemp -d)   # the window reads and writes its settings file here
trap 'rm -rf "$work"' EXIT
cd "$work"
export QT_QPA_PLATFORM=offscreen

# The value of key $1 in the last repetition's sweeps.
value() { awk -v k="$1" '$1 == k { print $2 }' "$work/sweep.txt"; }
load() { echo "$1.load_average_1min $(cut -d' ' -f1 /proc/loadavg)" >> "$results"; }

# fping over the same range with the given options; prints the time in ms
# and records how many addresses answered.
fping_sweep() {
  local label=$1; shift
  local start end alive
  start=$EPOCHREALTIME
  alive=$(nice -n "$nice" fping -c1 -r0 -q "$@" -g 198.51.100.1 198.51.100.254 2>&1 | grep -c '/1/0%' || true)
  end=$EPOCHREALTIME
  echo "$label.alive $alive" >> "$results"
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", (e - s) * 1000 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a / b }'; }

case "$what" in
lan)
  load sweep1
  for rep in $(seq "$reps"); do
    # An empty list and sheet, 10,000 list entries, 100,000 sheet lines:
    # the three take turns going first. All append to the sheet, since
    # the lines put on it beforehand must stay.
    passes=("--label sweep1" "--label sweep1_10k --prefill 10000" "--label sweep1_100k --prefill-lines 100000")
    turn=$(( (rep - 1) % 3 ))
    passes=("${passes[@]:$turn}" "${passes[@]:0:$turn}")
    : > "$work/sweep.txt"
    for pass in "${passes[@]}"; do
      # shellcheck disable=SC2086
      nice -n "$nice" "$bench" sweep --preset 0 --append $pass >> "$work/sweep.txt"
    done
    cat "$work/sweep.txt" >> "$results"
    for other in sweep1_10k sweep1_100k; do
      echo "$other.handover_over_empty $(ratio "$(value $other.handover_median_us)" "$(value sweep1.handover_median_us)")" >> "$results"
    done
    echo "sweep1_100k.scan_over_empty $(ratio "$(value sweep1_100k.scan_ms)" "$(value sweep1.scan_ms)")" >> "$results"
    scan=$(value sweep1.scan_ms)
    t=$(fping_sweep fping_t1_i1 -t1 -i1)
    echo "fping_t1_i1.ms $t" >> "$results"
    echo "sweep1.scan_over_fping $(ratio "$scan" "$t")" >> "$results"
    # The fastest it takes as root: every request at once, not one by one.
    t=$(fping_sweep fping_t1_i0 -t1 -i0)
    echo "fping_t1_i0.ms $t" >> "$results"
  done
  nice -n "$nice" "$bench" startup --exe "$build/bench/scanvet_bench_startup" --label startup --reps "$reps" >> "$results"
  # Once per run: hundreds of tests, a few minutes.
  load soak
  nice -n "$nice" "$bench" soak --label soak >> "$results"
  ;;
all)
  load sweep2
  for rep in $(seq "$reps"); do
    # A plain sweep and one whose GUI thread is held for 10 s, turn about.
    passes=("--label sweep2 --gui-timer" "--label blocked --block-ms 10000")
    [ $((rep % 2)) = 1 ] || passes=("${passes[1]}" "${passes[0]}")
    for pass in "${passes[@]}"; do
      # shellcheck disable=SC2086
      nice -n "$nice" "$bench" sweep --preset 1 $pass >> "$results"
    done
  done
  ;;
esac
