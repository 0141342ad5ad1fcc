#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Benchmarks of the range scan, fping beside it, start-up and memory: builds
# in release mode into build-bench/, runs every benchmark REPS times inside the
# test lab (nothing leaves the lab's namespaces) and prints one table of
# medians with min and max beside each target. Needs root (the lab and
# fping's install). The soak runs once per run, whatever REPS.
#
#   bash bench/run.sh [REPS]        REPS defaults to 7
#
# BENCH_NICE (default -10) is the nice value the measured commands run at, so
# that other work on a shared machine disturbs them less; 0 runs them as is.
# BENCH_RESULTS=FILE keeps the raw "key value" lines.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
reps=${1:-7}
build=$root/${BENCH_BUILD_DIR:-build-bench}
[ "$(id -u)" = 0 ] || { echo "bench: run as root (the test lab needs it)" >&2; exit 1; }

bash scripts/install-deps.sh
bash scripts/ensure-packages.sh fping
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DSCANVET_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target scanvet_bench scanvet_bench_startup late_responder >/dev/null

results=${BENCH_RESULTS:-$(mktemp /tmp/scanvet-bench-XXXXXX.txt)}
: > "$results"
lab() {
  bash lab/netlab.sh run --socket dgram --responder "$build/lab/late_responder" "$@"
}
# Sweep 1: 16 answering addresses (.2 itself, .5 .10-.13 .50, .254 and
# .101-.108), the rest silent; also with 10,000 entries of other ranges
# already in the list and with 100,000 lines on the result sheet; then the
# soak, once. Sweep 2: every address answers; also with the GUI thread
# held for 10 s.
lab --lan-hosts 8 -- bash "$root/bench/in_lab.sh" lan "$reps" "$build" "$results"
lab --all-answer -- bash "$root/bench/in_lab.sh" all "$reps" "$build" "$results"

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
  "$(free -g | awk '/^Mem:/ { print $2 }') GiB, kernel $(uname -r), Debian $(cat /etc/debian_version)," \
  "Qt $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null | cut -d+ -f1)," \
  "fping $(dpkg-query -W -f='${Version}' fping 2>/dev/null), nice ${BENCH_NICE:--10}, $reps repetitions," \
  "finished $(date -u '+%Y-%m-%d %H:%M UTC')"
"$build/bench/scanvet_bench" table "$results"
echo "(raw results: $results)"
