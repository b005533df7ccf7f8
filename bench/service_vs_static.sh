#!/usr/bin/env bash
# The web service against nginx serving the same bytes from files: `ab -c50` on a concert source
# page and on a place reply, in paired runs (service, then nginx). Prints each run's requests per
# second on both sides and their ratio, then the ratio's minimum and median per page.
# Usage: bench/service_vs_static.sh [BUILD_DIR] [RUNS] [REQUESTS]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
requests=${3:-20000}
work=$(mktemp -d)
chmod 755 "$work" # nginx workers may run as another user
nginx_pid=""
"$build/bin/voxtrail-service" --port 0 --iploc-port 0 --log "$work/requests.log" --today 2026-12-09 \
  >"$work/out" &
service=$!
cleanup() {
  kill "$service" 2>/dev/null || true
  wait "$service" 2>/dev/null || true
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do grep -q '^iploc-port:' "$work/out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/^port: //p' "$work/out")

pages=("/sources/ticketline.php?city=Boston&state=MA&radius=100"
       "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA")
# nginx answers a path from a file of that name and ignores the query: the same bytes, as text.
mkdir -p "$work/root/sources" "$work/root/zipcodes" "$work/nginx"
for page in "${pages[@]}"; do curl -sf "http://127.0.0.1:$port$page" >"$work/root${page%%\?*}"; done
nginx_port=$((port + 1))
cat >"$work/nginx.conf" <<EOF
worker_processes auto;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
daemon off;
events { worker_connections 1024; }
http {
  access_log $work/nginx/access.log;
  client_body_temp_path $work/nginx; proxy_temp_path $work/nginx; fastcgi_temp_path $work/nginx;
  uwsgi_temp_path $work/nginx; scgi_temp_path $work/nginx;
  default_type text/plain;
  sendfile on;
  server { listen 127.0.0.1:$nginx_port; root $work/root; }
}
EOF
nginx -c "$work/nginx.conf" &
nginx_pid=$!
for _ in $(seq 50); do curl -sf "http://127.0.0.1:$nginx_port/zipcodes/zipcodes.php" >/dev/null && break; sleep 0.1; done
for page in "${pages[@]}"; do
  cmp -s <(curl -sf "http://127.0.0.1:$port$page") <(curl -sf "http://127.0.0.1:$nginx_port$page") ||
    { echo "different bytes for $page" >&2; exit 1; }
done

rate() { # URL: requests per second, or 0 when any request failed
  local out
  out=$(ab -q -c50 -n "$requests" "$1" 2>&1)
  if grep -q '^Failed requests: *0$' <<<"$out" && ! grep -q 'Non-2xx' <<<"$out"; then
    sed -n 's/^Requests per second: *\([0-9.]*\).*/\1/p' <<<"$out"
  else
    echo 0
  fi
}
ulimit -n 4096
for page in "${pages[@]}"; do
  bytes=$(wc -c <"$work/root${page%%\?*}")
  ratios=()
  for r in $(seq "$runs"); do
    ours=$(rate "http://127.0.0.1:$port$page")
    theirs=$(rate "http://127.0.0.1:$nginx_port$page")
    ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')
    ratios+=("$ratio")
    echo "$page ($bytes bytes) run $r: service $ours/s, nginx $theirs/s, ratio $ratio"
  done
  printf '%s\n' "${ratios[@]}" | sort -n |
    awk -v p="$page" '{ v[NR] = $1 } END { printf "%s: ratio min %.3f, median %.3f over %d runs\n", p, v[1], v[int((NR + 1) / 2)], NR }'
done
