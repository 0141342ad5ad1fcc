#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Every benchmark in one run: builds in release mode into build-bench/, runs
# the scan benchmarks REPS times inside the test lab (nothing leaves the lab's
# namespaces) beside fping and their floors, and prints the issue's rows and
# one table of medians with min and max beside each target; then the link
# layer's benchmarks (bench/link_run.sh, in the lab), the TCP knock's
# (bench/knock_run.sh, in the lab) and the history's (no lab: only a file). Needs root (the lab and fping's install). The soak runs
# once per run, the all-answering sweeps BENCH_ALL_REPS times (default 20).
#
#   flock /tmp/scanvet-heavy.lock bash bench/run.sh [REPS]        REPS defaults to 7
#
# BENCH_NICE (default -10) is the nice value the measured commands run at, so
# that other work on a shared machine disturbs them less; 0 runs them as is.
# BENCH_RESULTS=FILE keeps the raw "key value" lines. BENCH_ONLY=scan skips
# the link layer and the history; BENCH_ONLY=known runs only the window's LAN
# sweep with 1,000 known computers beside the same with none; BENCH_ONLY=lan,
# BENCH_ONLY=routed or BENCH_ONLY=all runs only that lab's rows.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
reps=${1:-7}
build=$root/${BENCH_BUILD_DIR:-build-bench}
[ "$(id -u)" = 0 ] || { echo "bench: run as root (the test lab needs it)" >&2; exit 1; }

bash scripts/install-deps.sh
bash scripts/ensure-packages.sh fping
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DSCANVET_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target scanvet scanvet_bench scanvet_bench_startup scanvet_bench_history scanvet_bench_history_server late_responder >/dev/null

results=${BENCH_RESULTS:-$(mktemp /tmp/scanvet-bench-XXXXXX.txt)}
: > "$results"
lab() {
  bash lab/netlab.sh run --socket dgram "$@"
}
if [ -n "${BENCH_ONLY:-}" ] && [ "$BENCH_ONLY" != scan ]; then
  case $BENCH_ONLY in
  known) lab --responder "$build/lab/late_responder" --lan-hosts 8 -- bash "$root/bench/in_lab.sh" known "$reps" "$build" "$results" ;;
  lan) lab --responder "$build/lab/late_responder" --lan-hosts 8 -- bash "$root/bench/in_lab.sh" lan "$reps" "$build" "$results" ;;
  routed) lab -- bash "$root/bench/in_lab.sh" routed "$reps" "$build" "$results" ;;
  all) lab --all-answer -- bash "$root/bench/in_lab.sh" all "$reps" "$build" "$results" ;;
  *) echo "bench: BENCH_ONLY is scan, known, lan, routed or all" >&2; exit 2 ;;
  esac
  "$build/bench/scanvet_bench" table "$results"
  echo "(raw results: $results)"
  exit 0
fi
# The LAN with 16 answering addresses (.2 itself, .5 .10-.13 .50, .254 and
# .101-.108), .30 answering after 30 ms, the rest silent: the window one
# address at a time (sweep 1, also with 10,000 list entries and with 100,000
# sheet lines), the window's sweep on the wire, the command line and fping;
# the start-up; the soak, once.
lab --responder "$build/lab/late_responder" --lan-hosts 8 -- bash "$root/bench/in_lab.sh" lan "$reps" "$build" "$results"
# The silent routed /24 and /16 through the command line, beside fping.
lab -- bash "$root/bench/in_lab.sh" routed "$reps" "$build" "$results"
# Every LAN address answers but .30: the window's sweep at every preset;
# the GUI thread held for 10 s.
lab --all-answer -- bash "$root/bench/in_lab.sh" all "$reps" "$build" "$results"

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
  "$(free -g | awk '/^Mem:/ { print $2 }') GiB, kernel $(uname -r), Debian $(cat /etc/debian_version)," \
  "Qt $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null | cut -d+ -f1)," \
  "fping $(dpkg-query -W -f='${Version}' fping 2>/dev/null), nice ${BENCH_NICE:--10}, $reps repetitions," \
  "finished $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
"$build/bench/scanvet_bench" overview "$results"
echo
"$build/bench/scanvet_bench" table "$results"
echo "(raw results: $results)"

[ "${BENCH_ONLY:-}" != scan ] || exit 0
echo
echo "## The link layer"
bash bench/link_run.sh "$reps"
echo
echo "## The TCP knock"
bash bench/knock_run.sh "$reps"
echo
echo "## The history"
history=$(mktemp -d)
nice -n "${BENCH_NICE:--10}" "$build/bench/scanvet_bench_history" "$history" "$reps"
rm -rf "$history"
echo
echo "## The history on a PostgreSQL server"
bash bench/history_server_run.sh "$build" "$reps"
