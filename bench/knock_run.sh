#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Benchmarks of the TCP knock: the whole command line over silent routed and
# the lab's routed ranges with the knock on and off, and beside nmap -sn
# without privileges, all inside the test lab (no knock leaves its
# namespaces); prints the medians with min and max and the ratios. Builds
# scanvet in release mode into build-bench/ unless BENCH_BUILD_DIR names
# another build. Needs root (the lab).
#
#   flock /tmp/scanvet-heavy.lock bash bench/knock_run.sh [REPS]    REPS defaults to 7
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-7}
build=$PWD/${BENCH_BUILD_DIR:-build-bench}
[ "$(id -u)" = 0 ] || { echo "bench: run as root (the test lab needs it)" >&2; exit 1; }
bash scripts/ensure-packages.sh nmap nftables
if [ -z "${BENCH_BUILD_DIR:-}" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DSCANVET_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target scanvet >/dev/null
fi
results=$(mktemp /tmp/scanvet-knock-bench-XXXXXX.txt)
bash lab/netlab.sh run --socket dgram -- bash bench/knock_lab.sh "$reps" "$build" > "$results"
cat "$results"
median() { awk -v k="$1.median" '$1 == k { print $2 }' "$results"; }
for preset in fast slow; do
  awk -v p="$preset" -v a="$(median routed24_${preset}_knock.ms)" -v b="$(median routed24_${preset}_noknock.ms)" \
    'BEGIN { printf "silent routed /24, %s: knock on %.1f ms, off %.1f ms: %.3fx (target <= 1.05)\n", p, a, b, a / b }'
done
awk -v a="$(median lab_routed_knock.ms)" -v b="$(median lab_routed_nmap.ms)" \
  'BEGIN { printf "lab routed range: scanvet %.1f ms, nmap -sn (nobody) %.1f ms: %.3fx (target < 1)\n", a, b, a / b }'
echo "(raw results: $results)"
