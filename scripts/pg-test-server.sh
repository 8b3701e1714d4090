#!/usr/bin/env bash
# A throw-away PostgreSQL server for the database tests.
#   pg-test-server.sh start DIR   makes a cluster in DIR (an empty folder), starts it on
#                                 127.0.0.1 with a free port and prints the ODBC connection
#                                 string of its test database (for KEV_TEST_PG_ODBC)
#   pg-test-server.sh stop DIR    stops it and removes DIR
# Debian keeps initdb and pg_ctl in the server version's own folder, and initdb refuses
# root: as root the cluster belongs to the user postgres.
set -euo pipefail

cmd=${1:-}
dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

case "$cmd" in
start)
  [ -n "$bindir" ] || { echo "pg-test-server: no PostgreSQL server installed" >&2; exit 1; }
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  as_owner "$bindir/initdb" -D "$dir/data" -U kev --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }
  mkdir -p "$dir/socket"
  [ "$(id -u)" -eq 0 ] && chown postgres "$dir/socket"
  as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $dir/socket -c fsync=off" start >/dev/null ||
    { cat "$dir/server.log" >&2; exit 1; }
  as_owner "$bindir/createdb" -h 127.0.0.1 -p "$port" -U kev kevtest
  echo "Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=$port;Database=kevtest;UID=kev;"
  ;;
stop)
  if [ -d "$dir/data" ] && [ -n "$bindir" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
