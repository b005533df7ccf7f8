#!/usr/bin/env bash
# Builds and runs every test: a plain build (with the benchmarks), an AddressSanitizer +
# UndefinedBehaviorSanitizer build, the ThreadSanitizer build of the concurrency tests, a short
# run of each fuzz target, and the Debian packages' test (scripts/package-test.sh). Compiles go
# through ccache, so a second run rebuilds little.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
start=$SECONDS

# A throwaway PostgreSQL cluster, so the store's tests and the two-services end-to-end test run on
# both engines; stopped and removed however the run ends.
pg_dir=$(mktemp -d /tmp/vx-pg-XXXXXX)
trap 'bash scripts/pg-cluster.sh stop "$pg_dir" || true; rm -rf "$pg_dir"' EXIT
VX_TEST_PG_URI=$(bash scripts/pg-cluster.sh start "$pg_dir")
export VX_TEST_PG_URI VX_TEST_PG_DIR=$pg_dir
echo "=== PostgreSQL test cluster at $VX_TEST_PG_URI"

run_build() { # dir sanitizer target ctest-args...
  local dir=$1 san=$2 target=$3; shift 3
  echo "=== build $dir ${san:+($san)} [$((SECONDS - start)) s]"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_SANITIZE="$san" \
        -DVX_BUILD_BENCH=$([ -z "$san" ] && echo ON || echo OFF) >/dev/null
  cmake --build "$dir" -j "$jobs" ${target:+--target "$target"}
  echo "=== test $dir [$((SECONDS - start)) s]"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300 "$@")
}

run_build build "" ""
# intercept_tls_get_addr=0: GCC 12's runtime can take a malloc'd block for an old glibc TLS
# header and crash the leak checker's tracer at exit; the flag turns that guess off.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 LSAN_OPTIONS=suppressions=$(pwd)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_build build-asan "address,undefined" ""
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(pwd)/tests/tsan.supp \
  run_build build-tsan "thread" concurrency_tests -L concurrency
echo "=== fuzz [$((SECONDS - start)) s]"
bash scripts/fuzz-smoke.sh 10
# The Debian packages from a Release build of their own, checked and installed into this machine.
echo "=== packages [$((SECONDS - start)) s]"
bash scripts/package.sh
bash scripts/package-test.sh
echo "all test builds passed [$((SECONDS - start)) s]"
