#!/usr/bin/env bash
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

case "$what" in
lan)
  load sweep1
  for rep in $(seq "$reps"); do
    # The empty list and the list of 10,000 entries take turns going first.
    passes=("--label sweep1" "--label sweep1_10k --prefill 10000")
    [ $((rep % 2)) = 1 ] || passes=("${passes[1]}" "${passes[0]}")
    : > "$work/sweep.txt"
    for pass in "${passes[@]}"; do
      # shellcheck disable=SC2086
      nice -n "$nice" "$bench" sweep --preset 0 $pass >> "$work/sweep.txt"
    done
    cat "$work/sweep.txt" >> "$results"
    echo "sweep1_10k.handover_over_empty $(awk -v a="$(value sweep1_10k.handover_median_us)" \
      -v b="$(value sweep1.handover_median_us)" 'BEGIN { printf "%.4f", a / b }')" >> "$results"
    scan=$(value sweep1.scan_ms)
    t=$(fping_sweep fping_t1_i1 -t1 -i1)
    echo "fping_t1_i1.ms $t" >> "$results"
    echo "sweep1.scan_over_fping $(awk -v a="$scan" -v b="$t" 'BEGIN { printf "%.4f", a / b }')" >> "$results"
    # The fastest it takes as root: every request at once, not one by one.
    t=$(fping_sweep fping_t1_i0 -t1 -i0)
    echo "fping_t1_i0.ms $t" >> "$results"
  done
  nice -n "$nice" "$bench" startup --exe "$build/bench/scanvet_bench_startup" --label startup --reps "$reps" >> "$results"
  ;;
all)
  load sweep2
  for _ in $(seq "$reps"); do
    nice -n "$nice" "$bench" sweep --preset 1 --label sweep2 --gui-timer >> "$results"
  done
  ;;
esac
