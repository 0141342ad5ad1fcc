#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Benchmarks of the link layer: builds scanvet_bench_link in release mode into
# build-bench/ and runs it REPS times (default 7) inside the test lab, so no
# echo or ARP request leaves the lab's namespaces; prints the medians with
# min and max beside each target. Needs root (the lab).
#
#   flock /tmp/scanvet-heavy.lock bash bench/link_run.sh [REPS]
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-7}
build=$PWD/${BENCH_BUILD_DIR:-build-bench}
nice=${BENCH_NICE:--10}
[ "$(id -u)" = 0 ] || { echo "bench: run as root (the test lab needs it)" >&2; exit 1; }

bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DSCANVET_TESTS=OFF >/dev/null
bash scripts/ensure-packages.sh fping arp-scan nftables
cmake --build "$build" -j2 --target scanvet scanvet_bench_link >/dev/null
bench=$build/bench/scanvet_bench_link
results=$(mktemp /tmp/scanvet-link-bench-XXXXXX.txt)

# Every address of the LAN answers: a neighbour table of a whole /24.
bash lab/netlab.sh run --socket dgram --all-answer -- nice -n "$nice" "$bench" table "$reps" >> "$results"
nice -n "$nice" "$bench" makers "$reps" >> "$results"
# The lab as the tests know it: a quiet LAN of 13 hosts, three of them ARP-only.
bash lab/netlab.sh run --socket dgram -- nice -n "$nice" "$bench" settle "$reps" >> "$results"
# The whole command line over the LAN /24 with its report, as root and as nobody, beside fping and arp-scan.
bash lab/netlab.sh run --socket dgram --lan-hosts 8 -- bash bench/link_lan.sh "$reps" "$build" >> "$results"
# 5 % loss each way on the scanner's link, ARP and IP alike (nftables drops at random; the kernel here has no netem):
# 20 tests of each way to look at the link.
bash lab/netlab.sh run --socket dgram -- bash -c 'for family in arp ip; do
    nft add table $family loss && for hook in input output; do
      nft add chain $family loss $hook "{ type filter hook $hook priority 0; }" &&
      nft add rule $family loss $hook numgen random mod 100 "<" 5 drop || exit 1
    done
  done && exec nice -n "$0" "$1" loss 20' "$nice" "$bench" >> "$results"
# Once, with the kernel's own timings: how long a host taken away is still reported.
bash lab/netlab.sh run --socket dgram -- nice -n "$nice" "$bench" left >> "$results"

echo "Machine: $(nproc) cores, kernel $(uname -r), $reps repetitions, nice $nice, $(date -u '+%Y-%m-%d %H:%M UTC')"
awk '
  { v[$1] = $2 }
  function row(name, key, target) {
    printf "| %-52s | %10s | %10s | %10s | %s |\n", name, v[key ".median"], v[key ".min"], v[key ".max"], target
  }
  END {
    printf "| %-52s | %10s | %10s | %10s | %s |\n", "row (ms)", "median", "min", "max", "target"
    row("neighbour-table read of a /24 (" v["link.table_entries"] " entries)", "link.table_read_ms", "<= 5")
    row("loading the maker lists (" v["link.maker_blocks"] " blocks)", "link.makers_load_ms", "<= 50")
    row("1,000 look-ups after loading", "link.makers_1000_lookups_ms", "<= 1")
    row("settled, neighbour table, first test (" v["link.settle_table_found_first"] " sighted)", "link.settle_table_first_ms", "measured")
    row("settled, neighbour table, repeat (" v["link.settle_table_found_repeat"] " sighted)", "link.settle_table_repeat_ms", "measured")
    row("settled, ARP prober, first test (" v["link.settle_arp_found_first"] " sighted)", "link.settle_arp_first_ms", "measured")
    row("settled, ARP prober, repeat (" v["link.settle_arp_found_repeat"] " sighted)", "link.settle_arp_repeat_ms", "measured")
    row("LAN /24, whole command line with report, as root (ARP via helper)", "lan_root.ms", "<= 0.6 x fping")
    row("LAN /24, whole command line with report, as nobody (table)", "lan_nobody.ms", "<= 0.6 x fping")
    row("LAN /24, fping -r0 -i1 (echoes only)", "lan_fping.ms", "")
    row("LAN /24, arp-scan (ARP only)", "lan_arpscan.ms", "")
    printf "| %-52s | %10s | %10s | %10s | %s |\n", "ARP-only hosts found (root / nobody), of 3 a test", v["lan_root.arp_only.min"], v["lan_nobody.arp_only.min"], "", "3 every test"
    printf "| %-52s | %10s | %10s | %10s | %s |\n", "5% loss: ARP-only hosts found, ARP with retry", v["link.loss_found_arp_retry"] "/" v["link.loss_asked_arp_retry"], "", "", "measured"
    printf "| %-52s | %10s | %10s | %10s | %s |\n", "5% loss: ARP-only hosts found, ARP without retry", v["link.loss_found_arp_no_retry"] "/" v["link.loss_asked_arp_no_retry"], "", "", "measured"
    printf "| %-52s | %10s | %10s | %10s | %s |\n", "5% loss: ARP-only hosts found, neighbour table", v["link.loss_found_table"] "/" v["link.loss_asked_table"], "", "", "measured"
    printf "| %-52s | %10s | %10s | %10s | %s |\n", "host taken away: first test without it, neighbour table", v["link.left_table_gone_after_ms"], "", "", "<= 46000 (1.5 x base reachable + 1 s)"
    printf "| %-52s | %10s | %10s | %10s | %s |\n", "host taken away: first test without it, ARP prober", v["link.left_arp_gone_after_ms"], "", "", "0 (the next test)"
  }' "$results"
echo "(raw results: $results)"
