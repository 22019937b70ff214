#!/usr/bin/env bash
# Installs what the build needs when it is missing, builds, runs every test, then
# builds and runs the unit tests once more under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

# PAVSIM_JOBS caps the parallel jobs on a shared machine; all cores by default.
jobs=${PAVSIM_JOBS:-$(nproc 2>/dev/null || echo 4)}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPAVSIM_SANITIZE=ON -DPAVSIM_BENCH=OFF
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -L unit
