#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and the undefined-behaviour checks) and
# runs each for a few seconds on its seeds.
# Usage: fuzz-smoke.sh [seconds-per-target]   (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
dir=build-fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCH=OFF -DVX_BUILD_FUZZ=ON >/dev/null
cmake --build "$dir" --target fuzz_targets
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0
# The targets are built with the undefined-behaviour checks, and any finding ends the run.
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Every target runs, also one without seeds of its own yet (it starts from the empty input).
for source in fuzz/fuzz_*.cpp; do
  name=$(basename "$source" .cpp)
  name=${name#fuzz_}
  seeds=fuzz/corpus/$name
  [ -d "$seeds" ] || seeds=$work/$name-seeds
  mkdir -p "$seeds"
  dict=()
  [ -f "fuzz/$name.dict" ] && dict=(-dict="fuzz/$name.dict")
  mkdir -p "$work/$name"
  # New inputs go to the first folder, so the seeds in the tree are only read.
  if ! "$dir/bin/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       "${dict[@]}" "$work/$name" "$seeds" >"$work/$name.log" 2>&1; then
    tail -n 40 "$work/$name.log"
    echo "fuzz_$name: FAILED"
    exit 1
  fi
  echo "fuzz_$name: $(grep -Eo 'Done [0-9]+ runs' "$work/$name.log" || echo 'ran')"
done
