#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Fuzzes the parsers with libFuzzer (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer): each target runs for a bounded time from its
# kept corpus (tests/fuzz/corpus/<target>/), and the executions per target are
# reported. Fails on any crash, hang, leak or sanitizer report; the input that
# found it is left in the artifacts folder.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [--merge]
#
# --merge minimises what the run found into the kept corpus (at most 50 files
# per target).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
merge=0
for arg in "$@"; do
  case "$arg" in
    --merge) merge=1 ;;
    *[!0-9]*|"") echo "usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [--merge]" >&2; exit 2 ;;
    *) seconds=$arg ;;
  esac
done
build=${BUILD_DIR:-build-fuzz}
keep=50

bash scripts/install-deps.sh
missing=()
for p in clang-14 libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSCANVET_FUZZ=ON -DCMAKE_CXX_FLAGS="$flags" >/dev/null
targets=(fuzz_strtoint fuzz_settings fuzz_resolvehost fuzz_icmp_packet fuzz_helper_request)
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts=$PWD/$build/fuzz-artifacts
mkdir -p "$artifacts"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1

failed=0
report=()
for t in "${targets[@]}"; do
  seeds=tests/fuzz/corpus/$t
  mkdir -p "$work/$t"
  log=$work/$t.log
  status=0
  "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$t-" "$work/$t" "$seeds" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  found=$(find "$work/$t" -type f | wc -l)
  if [ "$status" -ne 0 ]; then
    failed=1
    report+=("$(printf '%-18s FAILED (exit %s), see %s' "$t" "$status" "$artifacts")")
    grep -E "ERROR:|SUMMARY:|fuzz check failed|Test unit written" "$log" | head -20 >&2 || true
  else
    report+=("$(printf '%-18s %12s executions, %4s new inputs, no fault' "$t" "${runs:-?}" "$found")")
  fi
  if [ "$merge" = 1 ] && [ "$status" -eq 0 ]; then
    fresh=$work/$t.merged
    mkdir -p "$fresh"
    "$build/tests/fuzz/$t" -merge=1 "$fresh" "$seeds" "$work/$t" >/dev/null 2>&1
    # Keep the corpus small: the smallest inputs first.
    rm -f "$seeds"/*
    find "$fresh" -type f -printf '%s %p\n' | sort -n | head -n "$keep" | cut -d' ' -f2- |
      while read -r f; do cp "$f" "$seeds/"; done
  fi
done

echo "libFuzzer, ${seconds} s per target:"
printf '  %s\n' "${report[@]}"
exit "$failed"
