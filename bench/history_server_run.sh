#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The history on a PostgreSQL server beside the file: starts a throwaway
# local PostgreSQL 15 (tests/history/pg_server.sh: a Unix socket only),
# runs scanvet_bench_history_server, and stops the server, also on failure.
#   bash bench/history_server_run.sh BUILD_DIR [REPS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
reps=${2:-7}
work=$(mktemp -d)
location=$work/server.location
trap 'bash "$root/tests/history/pg_server.sh" stop "$location"; rm -rf "$work"' EXIT
SCANVET_PG_FSYNC=on SCANVET_LAB_REQUIRED=1 bash "$root/tests/history/pg_server.sh" start "$location"
folder=$(cat "$location")
printf '*:*:*:scanvet:%s\n' "$(cat "$folder/password")" > "$work/pgpass"
chmod 600 "$work/pgpass"
export PGPASSFILE=$work/pgpass
psql -q "postgresql://scanvet@/postgres?host=$folder/socket" -c "CREATE DATABASE bench"
echo "(server: PostgreSQL $(psql -tA "postgresql://scanvet@/postgres?host=$folder/socket" -c 'SHOW server_version'), fsync on, local Unix socket)"
nice -n "${BENCH_NICE:--10}" "$build/bench/scanvet_bench_history_server" "postgresql://scanvet@/bench?host=$folder/socket" "$work" "$reps"
