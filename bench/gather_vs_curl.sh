#!/usr/bin/env bash
# One gathering pass over 1,000 calendar sources on a local nginx, 990 of them unchanged (the
# request names their current ETag and nginx answers 304) and 10 changed, against `curl --parallel`
# making the same 1,000 conditional requests; then the read of a 5 MB calendar of 10,000 events
# against libical's own parse of it. Paired runs; prints each run's times and the ratios' median.
# Usage: bench/gather_vs_curl.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
work=$(mktemp -d)
chmod 755 "$work" # nginx workers may run as another user
nginx_pid=""
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
mkdir -p "$work/root" "$work/nginx"
for i in $(seq 1000); do
  printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:%d@venue\r\nDTSTART;VALUE=DATE:20270301\r\nSUMMARY:Band %d w/ Support\r\nLOCATION:Hall %d\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' \
    "$i" "$i" "$i" >"$work/root/v$i.ics"
done
cat >"$work/nginx.conf" <<CONF
worker_processes 2;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
daemon off;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/nginx; proxy_temp_path $work/nginx; fastcgi_temp_path $work/nginx;
  uwsgi_temp_path $work/nginx; scgi_temp_path $work/nginx;
  default_type text/calendar;
  keepalive_requests 100000;
  server { listen 127.0.0.1:$port; root $work/root; }
}
CONF
nginx -c "$work/nginx.conf" &
nginx_pid=$!
for _ in $(seq 50); do curl -sf "http://127.0.0.1:$port/v1.ics" >/dev/null && break; sleep 0.1; done
# Each source's current ETag; the first ten are sent a stale one, so they answer in full.
: >"$work/list"
: >"$work/curl.cfg"
for i in $(seq 1000); do
  etag=$(curl -sfI "http://127.0.0.1:$port/v$i.ics" | sed -n 's/^[Ee][Tt]ag: *\(.*\)\r$/\1/p')
  [ "$i" -le 10 ] && etag='"stale"'
  printf 'http://127.0.0.1:%s/v%d.ics\t%s\n' "$port" "$i" "$etag" >>"$work/list"
  printf 'url = "http://127.0.0.1:%s/v%d.ics"\nheader = "If-None-Match: %s"\noutput = "/dev/null"\n' \
    "$port" "$i" "${etag//\"/\\\"}" >>"$work/curl.cfg"
done
"$build/bin/bench_gather_once" sources "$work/list"

seconds() { # COMMAND...: its wall time in seconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'; }
pair() { # LABEL "A command" "B command"
  local ratios=() a b
  for r in $(seq "$runs"); do
    a=$(seconds $2)
    b=$(seconds $3)
    ratios+=("$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", a / b }')")
    echo "$1 run $r: ours ${a}s, theirs ${b}s"
  done
  echo "$1: ratio median $(printf '%s\n' "${ratios[@]}" | median) over $runs runs"
}
pair "1,000 sources, 990 unchanged" "$build/bin/bench_gather_once sources $work/list" \
  "curl -s --no-progress-meter --parallel --parallel-max 50 -K $work/curl.cfg"

python3 - "$work/big.ics" <<'PY'
import sys
out = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//bench//EN"]
pad = "A long description of the evening, the bill, the doors and the rules of the house. " * 3
for i in range(10000):
    out += ["BEGIN:VEVENT", f"UID:{i}@bench", "DTSTAMP:20261201T000000Z",
            f"DTSTART;TZID=America/New_York:2027{1 + i % 12:02d}{1 + i % 28:02d}T200000",
            f"SUMMARY:Headliner {i} w/ Support {i}\\, Other {i}", f"LOCATION:Hall {i}\\, Boston\\, MA",
            f"DESCRIPTION:{pad}", f"URL:https://venue.example/e/{i}", "END:VEVENT"]
out.append("END:VCALENDAR")
open(sys.argv[1], "w").write("\r\n".join(out) + "\r\n")
PY
echo "calendar: $(wc -c <"$work/big.ics") bytes"
pair "5 MB calendar, 10,000 events" "$build/bin/bench_gather_once ics $work/big.ics" \
  "$build/bin/bench_gather_once libical $work/big.ics"
