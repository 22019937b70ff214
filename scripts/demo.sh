#!/usr/bin/env bash
# Builds the programs, makes a demo project under out/demo (or the folder given)
# and runs them on it:
#   - tervon-mkdemo writes the station list, the hourly station files, rad.dat and
#     clmtemp.txt, and a "c:\directory.txt" (in out/demo/drive) naming the project;
#   - tervon replays road 1 headless (tests/frontend/scripts/road1.tvs): one
#     weather station gives the climatic data file "climate.tmp", the engine's
#     input "input.tmp" for a 6-inch asphalt layer and the marker "c:\check.txt";
#   - pavsim runs the analysis of "input.dat" on that input: the job-mix road
#     first simulates the two years of climate hour by hour (progress marks every
#     500 days and 9999; the temperature history "tmp\thermal.tmp" and the
#     drainage report ".drn"), then checks the binder grade, which stops on the
#     demo's job mix (" Check your PG grade", status 1).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

demo=$(realpath -m "${1:-out/demo}")
# PAVSIM_JOBS caps the parallel jobs on a shared machine; all cores by default.
jobs=${PAVSIM_JOBS:-$(nproc 2>/dev/null || echo 4)}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$jobs" --target pavsim tervon tervon-mkdemo

rm -rf "$demo"
mkdir -p "$demo/drive" "$demo/project/tmp"
./build/tools/demo_data/tervon-mkdemo "$demo/project" --drive "$demo/drive"

echo "== tervon, replaying road 1 headless: $demo/project/input.tmp and $demo/drive/check.txt"
(cd "$demo/project" && env -u DISPLAY PAVSIM_DRIVE_C="$demo/drive" \
  "$OLDPWD/build/src/frontend/tervon" --script "$OLDPWD/tests/frontend/scripts/road1.tvs")
echo "== tervon ended with status $?"

printf 'JMF   \n2004 8 1 2\n6.0 0.0 0.0 -0.5 0.1\n1.0 0.0 0.0 0.0 0.0\n' > "$demo/project/input.dat"
echo "== pavsim on $demo/project"
set +e
(cd "$demo/project" && PAVSIM_DRIVE_C="$demo/drive" "$OLDPWD/build/src/engine/main/pavsim")
status=$?
set -e
echo "== pavsim ended with status $status"
echo "Demo project: $demo/project"
