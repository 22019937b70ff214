#!/usr/bin/env bash
# Installs what the build needs when it is missing, builds, runs every test, then
# builds and runs the unit tests once more under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

# libfltk1.3-dev: the window; xvfb, xauth and a font: the window smoke test; zlib: screenshots.
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libblas-dev
          libfltk1.3-dev xvfb xauth fonts-dejavu-core zlib1g-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages and not root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q || true
  apt-get install -y -q "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 4)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPAVSIM_SANITIZE=ON -DPAVSIM_BENCH=OFF
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -L unit
