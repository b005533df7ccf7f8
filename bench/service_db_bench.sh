#!/usr/bin/env bash
# The service's store under ab: a friend list (DISPLAY_USER_SHOWS of a user with 50 shows) and
# ADD_SHOW, on one service on SQLite, one on PostgreSQL and two on one PostgreSQL database.
# 50 clients at once in every case: two ab runs of -c25 side by side (both at one service, or one
# at each of two), their requests per second added. ADD_SHOW alternates two versions of one show
# (tickets 0 and 1, one per ab run), so most requests write. Prints min and median of 5 runs, and
# the CPU seconds the services, PostgreSQL and ab spent in the runs.
#   bench/service_db_bench.sh [BUILD_DIR] [REQUESTS_PER_AB_RUN]
# The PostgreSQL database is VX_TEST_PG_URI, or a throwaway cluster of scripts/pg-cluster.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
requests=${2:-2000}
service=$build/bin/voxtrail-service
work=$(mktemp -d /tmp/vx-db-bench-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  [ -n "${own_cluster:-}" ] && bash scripts/pg-cluster.sh stop "$work/pg" >/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
uri=${VX_TEST_PG_URI:-}
if [ -z "$uri" ]; then
  own_cluster=1
  uri=$(bash scripts/pg-cluster.sh start "$work/pg")
fi
psql=/usr/lib/postgresql/15/bin/psql

started=0
start_service() { # db; sets port
  started=$((started + 1))
  local out=$work/out.$started
  "$service" --port 0 --iploc-port 0 --log "$work/requests.$started.log" --db "$1" --feed-key "$work/feed.key" >"$out" &
  pids+=($!)
  for _ in $(seq 100); do grep -q iploc-port "$out" && break; sleep 0.1; done
  port=$(sed -n 's/^port: //p' "$out")
}
stop_services() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  pids=()
}
cpu_of() { # pids... -> clock ticks of user+system time
  local total=0
  for p in "$@"; do
    [ -r "/proc/$p/stat" ] && total=$((total + $(awk '{print $14 + $15 + $16 + $17}' "/proc/$p/stat")))
  done
  echo $total
}
postgres_pids() { pgrep -u postgres -x postgres || true; }

base="/sharing/sharing.php?TODO"
add_path() { # month day tickets
  echo "$base=ADD_SHOW&USERNAME=bench&UUID=U-bench&YEAR=2027&MONTH=$1&DAY=$2&TICKETSAVAILABLE=$3&ARTIST=Band+$2&VENUE=Hall&LOCATION=Boston,+MA&URL=http://x/$2&OTHERARTISTS=Guests"
}
fill() { # port
  curl -sf "http://127.0.0.1:$1$base=INITIALIZE_USER&USERNAME=bench&UUID=U-bench&CITY=Boston&STATE=MA&FIRSTNAME=B&LASTNAME=C" >/dev/null
  for d in $(seq 1 25); do
    for m in 4 5; do curl -sf "http://127.0.0.1:$1$(add_path $m "$d" 0)" >/dev/null; done
  done
}

# One measurement: two ab runs at once against port1 and port2; their requests per second added.
pair() { # port1 port2 path1 path2
  ab -q -c25 -n "$requests" "http://127.0.0.1:$1$3" >"$work/ab1" 2>&1 &
  local a=$!
  ab -q -c25 -n "$requests" "http://127.0.0.1:$2$4" >"$work/ab2" 2>&1 &
  local b=$!
  wait $a $b
  # Failed or non-200 answers (a 503 of a full worker queue is quick): counted, never hidden.
  awk '/Failed requests|Non-2xx responses/ {n += $NF} END {print n + 0}' "$work/ab1" "$work/ab2" >>"$work/failed"
  awk '/Requests per second/ {s += $4} END {printf "%.0f", s}' "$work/ab1" "$work/ab2"
}

report() { # label port1 port2
  local list="$base=DISPLAY_USER_SHOWS&USERNAME=bench" add0 add1 rps cpu_s cpu_p
  add0=$(add_path 6 30 0); add1=$(add_path 6 30 1)
  for what in friends add; do
    local runs=()
    cpu_s=$(cpu_of "${pids[@]}"); cpu_p=$(cpu_of $(postgres_pids))
    local t0=$SECONDS
    : >"$work/failed"
    for _ in 1 2 3 4 5; do
      if [ $what = friends ]; then rps=$(pair "$2" "$3" "$list" "$list"); else rps=$(pair "$2" "$3" "$add0" "$add1"); fi
      runs+=("$rps")
    done
    cpu_s=$(( $(cpu_of "${pids[@]}") - cpu_s )); cpu_p=$(( $(cpu_of $(postgres_pids)) - cpu_p ))
    sorted=($(printf '%s\n' "${runs[@]}" | sort -n))
    printf "%-22s %-18s min %5s  median %5s req/s  (runs: %s; failed %s; CPU s: service %.1f, postgres %.1f, wall %d)\n" \
      "$1" "$([ $what = friends ] && echo DISPLAY_USER_SHOWS || echo ADD_SHOW)" "${sorted[0]}" "${sorted[2]}" \
      "${runs[*]}" "$(awk '{n += $1} END {print n + 0}' "$work/failed")" \
      "$(awk "BEGIN {print $cpu_s / 100}")" "$(awk "BEGIN {print $cpu_p / 100}")" $((SECONDS - t0))
  done
}

echo "ab: 2 x ($requests requests, 25 at once); $(nproc) cores"
start_service "$work/bench.sqlite"; fill "$port"
report "1 service, SQLite" "$port" "$port"; stop_services

$psql "$uri" -qc "DROP SCHEMA public CASCADE; CREATE SCHEMA public" 2>/dev/null
start_service "$uri"; first=$port; fill "$first"
report "1 service, PostgreSQL" "$first" "$first"
start_service "$uri"
report "2 services, PostgreSQL" "$first" "$port"
