#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the ODBC tests: the real server behind
# the same ODBC path that SQL Server takes.
#
#   postgres-fixture.sh start STATE_DIR   initdb in a temp folder, start the
#                                         server on a free loopback port,
#                                         create the test databases, write
#                                         STATE_DIR/connection (ODBC text
#                                         without Database=)
#   postgres-fixture.sh stop STATE_DIR    stop the server, remove the folder
#
# As root the server runs as the user "postgres" (the Debian package creates
# it); the server refuses to run as root.
set -euo pipefail

action=${1:?start or stop}
state=${2:?state folder}
databases=(depexport_provider depexport_window)

pg_bin() {
  local dir
  for dir in /usr/lib/postgresql/*/bin; do
    [ -x "$dir/initdb" ] && bin=$dir
  done
  [ -n "${bin:-}" ] || { echo "PostgreSQL (initdb) is not installed" >&2; exit 1; }
}

odbc_driver() {
  local f
  for f in /usr/lib/*/odbc/psqlodbcw.so /usr/lib64/psqlodbcw.so; do
    [ -f "$f" ] && { driver=$f; return; }
  done
  echo "the PostgreSQL ODBC driver (psqlodbcw.so, odbc-postgresql) is not installed" >&2
  exit 1
}

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

stop() {
  [ -f "$state/datadir" ] || return 0
  local data
  data=$(cat "$state/datadir")
  if [ -d "$data/cluster" ]; then
    as_owner "$bin/pg_ctl" -D "$data/cluster" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
  fi
  rm -rf "$data"
  rm -f "$state/datadir" "$state/connection"
}

start() {
  mkdir -p "$state"
  stop
  local data port started=""
  data=$(mktemp -d "${TMPDIR:-/tmp}/depexport-pg.XXXXXX")
  echo "$data" > "$state/datadir"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$data"
  as_owner "$bin/initdb" -D "$data/cluster" -A trust -U depexport -E UTF8 --locale=C --no-sync \
    >"$data/initdb.log" 2>&1 || { cat "$data/initdb.log" >&2; exit 1; }
  for _ in $(seq 1 20); do
    port=$((20000 + RANDOM % 30000))
    port_in_use "$port" && continue
    if as_owner "$bin/pg_ctl" -D "$data/cluster" -l "$data/server.log" -w -t 60 \
         -o "-c listen_addresses=127.0.0.1 -p $port -k $data -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
         start >/dev/null 2>&1; then
      started=1
      break
    fi
  done
  [ -n "$started" ] || { cat "$data/server.log" >&2; exit 1; }
  for db in "${databases[@]}"; do
    as_owner "$bin/createdb" -h 127.0.0.1 -p "$port" -U depexport "$db"
  done
  echo "Driver=$driver;Server=127.0.0.1;Port=$port;Uid=depexport;Pwd=;" > "$state/connection"
}

pg_bin
case "$action" in
  start) odbc_driver; start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop STATE_DIR" >&2; exit 2 ;;
esac
