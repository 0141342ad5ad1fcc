# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Sourced by the benchmarks that run the command line inside the test lab, as
# root and as user nobody:  source lab_setup.sh REPS BUILD
# Sets reps, build, nice and work (a folder nobody may enter, removed at the
# end, holding the build's scanvet and scanvet-helper, the latter without a
# capability); HOME and the XDG folders point into it, and ms START END gives
# the milliseconds between two date +%s%N stamps.
reps=$1 build=$2
[ -z "${SCANVET_LAB_UNAVAILABLE:-}" ] || { echo "bench: no test lab: $SCANVET_LAB_UNAVAILABLE" >&2; exit 1; }
nice=${BENCH_NICE:--10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -m 777 "$work/home"
cp "$build/scanvet" "$build/scanvet-helper" "$work/"
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config
cd "$work/home"
ms() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.1f", (e - s) / 1e6 }'; }
