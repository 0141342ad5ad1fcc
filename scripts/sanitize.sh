#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs the tests under the sanitizers, each kind in a build of its own:
#   build-asan  AddressSanitizer with UndefinedBehaviorSanitizer: the whole suite
#   build-tsan  ThreadSanitizer: the thread-heavy tests (scan, echo handlers,
#               resolvers, the link layer, the history, the close during a scan,
#               the lab's network tests)
# Only our code is instrumented; Qt and the C library are Debian's builds.
# Any sanitizer report fails the run, also one from a child process.
#
#   scripts/sanitize.sh [address] [thread]     (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(address thread)

bash scripts/install-deps.sh

# A report ends the process with a code of its own, so that a test expecting
# exit code 1 (no ICMP socket) still notices it.
export ASAN_OPTIONS="exitcode=23:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
# One suppression, of a leak inside libdbus; the proof is in the file.
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=23"
# ignore_noninstrumented_modules: Qt and glibc are Debian's builds, not
# instrumented. ThreadSanitizer sees the memory operations they make through
# its interceptors (malloc, free, memmove) but not their own synchronisation
# (QMutex, QAtomic and glibc's internal locks are futex calls and atomic
# instructions inside those libraries), so every order they keep between
# threads looks like a race: without this flag each report (Qt's posted-event
# queue and thread pool, glibc's resolv.conf array under its lock during
# getnameinfo) has both accesses inside Qt or glibc, on memory they
# allocated. With it those interceptor calls are not checked; every access of
# our own code still is, and all synchronisation (pthread calls included)
# still counts.
export TSAN_OPTIONS="exitcode=66:second_deadlock_stack=1:ignore_noninstrumented_modules=1"

failed=0
summary=()
for kind in "${kinds[@]}"; do
  case "$kind" in
    address) build=build-asan; select=() ;;
    thread) build=build-tsan; select=(-R '^(scan_|lookup_|net_lab_|window_lab_|program_|notify_|cli_|link_|history_)') ;;
    *) echo "usage: scripts/sanitize.sh [address] [thread]" >&2; exit 2 ;;
  esac
  echo "== $kind: building $build"
  cmake -S . -B "$build" -DSCANVET_SANITIZE="$kind" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j2 >"$build/build.log" 2>&1 || { tail -30 "$build/build.log"; exit 1; }

  echo "== $kind: running the tests"
  status=0
  (cd "$build" && ctest "${select[@]}" -j2 --output-on-failure) || status=$?
  # ctest keeps every test's whole output here, the passed ones' too.
  log=$PWD/$build/Testing/Temporary/LastTest.log
  reports=$(grep -cE "ERROR: (Address|Leak)Sanitizer|WARNING: ThreadSanitizer|runtime error:" "$log" || true)
  ran=$(grep -c '^[0-9]*/[0-9]* Testing: ' "$log" || true)
  cases=$( (grep -hE '^\[==========\] [0-9]+ tests? from .* ran\.' "$log" || true) | awk '{n += $2} END {print n + 0}')
  skipped=$( (grep -hE '^\[  SKIPPED \] [0-9]+ test' "$log" || true) | awk '{n += $4} END {print n + 0}')
  line="$kind: ${ran:-0} ctest tests (${cases} test cases, ${skipped} skipped), ${reports} sanitizer reports"
  # A lab test whose every case fails prints "[  PASSED  ] 0 tests", which
  # ctest takes for "all skipped": count failed cases from the output too.
  failures=$(grep -cE '^\[  FAILED  \] [0-9]+ tests?, listed below' "$log" || true)
  if [ "$status" -ne 0 ] || [ "$reports" -ne 0 ] || [ "$failures" -ne 0 ]; then
    failed=1
    line="$line, FAILED (see $log)"
  fi
  summary+=("$line")
done

echo "Sanitizers:"
printf '  %s\n' "${summary[@]}"
exit "$failed"
