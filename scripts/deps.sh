#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
set -euo pipefail

# libfltk1.3-dev: the window; xvfb, xauth and a font: the window smoke test; zlib: screenshots;
# libblas-dev, liblapack-dev: the reference BLAS and LAPACK the kernel and solver tests
# compare with.
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libblas-dev
          liblapack-dev libfltk1.3-dev xvfb xauth fonts-dejavu-core zlib1g-dev)
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
