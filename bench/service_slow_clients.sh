#!/usr/bin/env bash
# Starts the built service on free ports and runs bench_service_slow_clients against it.
# Usage: bench/service_slow_clients.sh [BUILD_DIR] [SLOW_BODY] [SLOW_HEAD] [RUNS]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
"$build/bin/voxtrail-service" --port 0 --iploc-port 0 --log "$work/requests.log" >"$work/out" &
service=$!
trap 'kill "$service" 2>/dev/null; wait "$service" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do grep -q '^iploc-port:' "$work/out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/^port: //p' "$work/out")
ulimit -n 4096
"$build/bin/bench_service_slow_clients" "$port" "${2:-200}" "${3:-200}" "${4:-5}"
