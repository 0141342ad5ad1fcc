#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# A throwaway PostgreSQL 15 for the tests and the benchmarks:
#   pg_server.sh start LOCATION_FILE   initdb into a new folder under /tmp as
#       the unprivileged system user "scanvet-pg" (made here when missing; not
#       nobody, whose processes other tests count), listen on a Unix socket in that folder
#       only (no TCP), and write the folder's path into LOCATION_FILE.
#       The superuser "scanvet" has the password in FOLDER/password.
#   pg_server.sh stop LOCATION_FILE    stop it and remove the folder.
#   pg_server.sh pause|resume LOCATION_FILE   stop the server / start it again, keeping its data.
# Where no server can be made (no postgresql-15, not root), start says why
# and writes no location: the tests then skip, or fail under SCANVET_LAB_REQUIRED=1.
# SCANVET_PG_FSYNC=on makes every commit reach the disk (the benchmarks); the tests
# run without.
set -u
bin=/usr/lib/postgresql/15/bin
action=${1:?start, stop, pause or resume}
location_file=${2:?the location file}
user=scanvet-pg
as_server() { runuser -u "$user" -- "$@"; }

case "$action" in
start)
  rm -f "$location_file"
  why=""
  [ "$(id -u)" = 0 ] || why="not root: cannot run the server as another user"
  [ -x "$bin/initdb" ] || why="no $bin/initdb (Debian's postgresql-15)"
  if [ -z "$why" ] && ! id -u "$user" >/dev/null 2>&1 &&
     ! useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"; then
    why="cannot make the system user $user"
  fi
  if [ -n "$why" ]; then
    echo "PostgreSQL server not started: $why" >&2
    [ "${SCANVET_LAB_REQUIRED:-0}" = 1 ] && exit 1
    exit 0
  fi
  folder=$(mktemp -d /tmp/scanvet-pg.XXXXXX) || exit 1
  chmod 0755 "$folder"
  mkdir -m 0700 "$folder/data" && mkdir -m 0755 "$folder/socket" || exit 1
  echo "scanvet-test-$RANDOM$RANDOM" > "$folder/password"
  chmod 0644 "$folder/password"
  chown "$user" "$folder/data" "$folder/socket"
  if ! as_server "$bin/initdb" -D "$folder/data" -U scanvet --pwfile="$folder/password" --auth=scram-sha-256 \
         -E UTF8 --locale=C.UTF-8 >"$folder/initdb.log" 2>&1; then
    echo "initdb failed:" >&2; cat "$folder/initdb.log" >&2; rm -rf "$folder"; exit 1
  fi
  echo "$folder" > "$location_file"
  exec "$0" resume "$location_file"
  ;;
resume)
  folder=$(cat "$location_file") || exit 1
  as_server "$bin/pg_ctl" -D "$folder/data" -l "$folder/socket/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$folder/socket' -c fsync=${SCANVET_PG_FSYNC:-off} -c max_connections=50" start >/dev/null ||
    { cat "$folder/socket/server.log" >&2; exit 1; }
  ;;
pause)
  folder=$(cat "$location_file") || exit 1
  as_server "$bin/pg_ctl" -D "$folder/data" -m fast -w -t 60 stop >/dev/null
  ;;
stop)
  [ -f "$location_file" ] || exit 0
  folder=$(cat "$location_file")
  case "$folder" in /tmp/scanvet-pg.*) ;; *) echo "not a server folder: $folder" >&2; exit 1 ;; esac
  [ -f "$folder/data/postmaster.pid" ] && as_server "$bin/pg_ctl" -D "$folder/data" -m immediate -w -t 60 stop >/dev/null
  rm -rf "$folder" "$location_file"
  ;;
*) echo "unknown action: $action" >&2; exit 2 ;;
esac
