#!/usr/bin/env bash
# The web service against nginx serving the same bytes from files: `ab -c50`, with keep-alive (-k)
# and without, on the concert source page at 75 and 300 miles and on the version check, in paired
# runs (service and nginx, the first of the pair taking turns). Prints each run's requests per
# second on both sides and their ratio, then the ratio's minimum and median per page and mode.
# Usage: bench/service_vs_static.sh [BUILD_DIR] [RUNS] [REQUESTS] [MODES (default "-k close")]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
requests=${3:-20000}
read -r -a modes <<<"${4:--k close}"
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

pages=("/sources/ticketline.php?city=Boston&state=MA&radius=75"
       "/sources/ticketline.php?city=Boston&state=MA&radius=300"
       "/current_version.php?VERSION=2.9")
# nginx answers a file named after the path and the query: the same bytes, as text.
file_of() { local f=${1#/}; f=${f//\//_}; echo "/${f//[?&=]/_}"; }
mkdir -p "$work/root" "$work/nginx"
for page in "${pages[@]}"; do curl -sf "http://127.0.0.1:$port$page" >"$work/root$(file_of "$page")"; done
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
for _ in $(seq 50); do curl -sf "http://127.0.0.1:$nginx_port$(file_of "${pages[2]}")" >/dev/null && break; sleep 0.1; done
for page in "${pages[@]}"; do
  cmp -s <(curl -sf "http://127.0.0.1:$port$page") <(curl -sf "http://127.0.0.1:$nginx_port$(file_of "$page")") ||
    { echo "different bytes for $page" >&2; exit 1; }
done

rate() { # MODE URL: requests per second, or 0 when any request failed
  local out keep=()
  [ "$1" = -k ] && keep=(-k)
  out=$(ab -q "${keep[@]}" -c50 -n "$requests" "$2" 2>&1)
  if grep -q '^Failed requests: *0$' <<<"$out" && ! grep -q 'Non-2xx' <<<"$out"; then
    sed -n 's/^Requests per second: *\([0-9.]*\).*/\1/p' <<<"$out"
  else
    echo 0
  fi
}
ulimit -n 4096
summary=()
for mode in "${modes[@]}"; do
  for page in "${pages[@]}"; do
    bytes=$(wc -c <"$work/root$(file_of "$page")")
    ratios=()
    for r in $(seq "$runs"); do
      if ((r % 2)); then
        ours=$(rate "$mode" "http://127.0.0.1:$port$page")
        theirs=$(rate "$mode" "http://127.0.0.1:$nginx_port$(file_of "$page")")
      else
        theirs=$(rate "$mode" "http://127.0.0.1:$nginx_port$(file_of "$page")")
        ours=$(rate "$mode" "http://127.0.0.1:$port$page")
      fi
      ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')
      ratios+=("$ratio")
      echo "$mode $page ($bytes bytes) run $r: service $ours/s, nginx $theirs/s, ratio $ratio"
    done
    summary+=("$(printf '%s\n' "${ratios[@]}" | sort -n |
      awk -v p="$mode $page ($bytes bytes)" '{ v[NR] = $1 } END { printf "%s: ratio min %.3f, median %.3f over %d runs", p, v[1], v[int((NR + 1) / 2)], NR }')")
  done
done
printf '%s\n' "${summary[@]}"
