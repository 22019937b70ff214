#!/usr/bin/env bash
# Installs what the build needs when it is missing, builds, runs every test, then
# builds and runs the unit tests once more under AddressSanitizer and UBSan.
# Each phase starts with a heading line; the last line sums up the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

# PAVSIM_JOBS caps the parallel jobs on a shared machine; all cores by default.
jobs=${PAVSIM_JOBS:-$(nproc 2>/dev/null || echo 4)}

phase=setup
passed=0
failed=0
heading() {
  phase=$1
  echo "==== test.sh: $1"
}
summary() {
  local status=$?
  if [ "$status" -eq 0 ]; then
    echo "test.sh: $passed passed, $failed failed"
  else
    echo "test.sh: $passed passed, $failed failed; stopped in the $phase phase with status $status"
  fi
}
trap summary EXIT

# ctest with its output shown and its counts added to the summary.
run_ctest() {
  local log status=0
  log=$(mktemp)
  ctest "$@" 2>&1 | tee "$log" || status=$?
  local counts
  counts=$(sed -n 's/.* \([0-9][0-9]*\) tests failed out of \([0-9][0-9]*\).*/\1 \2/p' "$log" | tail -1)
  rm -f "$log"
  if [ -n "$counts" ]; then
    set -- $counts
    failed=$((failed + $1))
    passed=$((passed + $2 - $1))
  fi
  return "$status"
}

heading build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"

heading tests
run_ctest --test-dir build --output-on-failure -j "$jobs"

heading "sanitizer build"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPAVSIM_SANITIZE=ON -DPAVSIM_BENCH=OFF
cmake --build build-sanitize -j "$jobs"

heading "sanitizer tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -L unit
