#!/usr/bin/env bash
# A throwaway PostgreSQL 15 cluster for the tests: its own folder, a free loopback port, the
# `postgres` user when run as root (the server refuses to run as root).
#   pg-cluster.sh start DIR   makes the cluster when DIR holds none, starts it, prints its URI
#   pg-cluster.sh stop DIR    stops it (the folder stays until removed)
#   pg-cluster.sh restart DIR starts it again on the same port
# The URI names the database "voxtrail" of the superuser "postgres", with trust on loopback only.
set -euo pipefail
cmd=${1:?start, stop or restart}
dir=${2:?a folder for the cluster}
bin=$(ls -d /usr/lib/postgresql/15/bin 2>/dev/null || true)
[ -x "$bin/initdb" ] || { echo "pg-cluster: PostgreSQL 15 is not installed (postgresql-15)" >&2; exit 3; }

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

case $cmd in
start)
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
  if [ ! -f "$dir/data/PG_VERSION" ]; then
    as_owner "$bin/initdb" -D "$dir/data" -U postgres --auth=trust --locale=C.UTF-8 -E UTF8 >"$dir/initdb.log"
    free_port >"$dir/port"
  fi
  port=$(cat "$dir/port")
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
    -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir -c fsync=on" start >/dev/null
  as_owner "$bin/psql" -h 127.0.0.1 -p "$port" -U postgres -d postgres -tAq \
    -c "SELECT 1 FROM pg_database WHERE datname = 'voxtrail'" | grep -q 1 ||
    as_owner "$bin/createdb" -h 127.0.0.1 -p "$port" -U postgres voxtrail
  echo "postgresql://postgres@127.0.0.1:$port/voxtrail"
  ;;
stop)
  [ -f "$dir/data/postmaster.pid" ] && as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
  exit 0
  ;;
restart)
  exec "$0" start "$dir"
  ;;
*) echo "pg-cluster: start, stop or restart" >&2; exit 2 ;;
esac
