#!/usr/bin/env bash
# bash scripts/demo.sh [FOLDER]   (default out/demo)
#
# A whole design run on a synthetic site, from a fresh folder:
#   1. installs what is missing (scripts/deps.sh) and builds pavsim, tervon and
#      tervon-mkdemo;
#   2. tervon-mkdemo makes FOLDER/project (station list, hourly station files,
#      rad.dat, clmtemp.txt, the design request input.dat, an empty tmp folder)
#      and FOLDER/drive, the drive "c:\" whose directory.txt names the project;
#   3. tervon replays road 1 headless (tests/frontend/scripts/road1.tvs): one
#      weather station gives the engine's input "input.tmp" and the marker
#      "c:\check.txt";
#   4. pavsim runs the design request: the climate simulation writes the
#      temperature history "tmp\thermal.tmp", then the thermal-cracking run of
#      the design case writes " 1.txt" and the design criterion;
#   5. prints what the run left.
# It stops at the first step that fails, naming it.
set -euo pipefail
# A folder given is taken from where the demo is started; the default lies in
# the repository.
given=${1:+$(realpath -m "$1")}
cd "$(dirname "$0")/.."
root=$PWD
demo=${given:-$root/out/demo}
project=$demo/project
drive=$demo/drive
# PAVSIM_JOBS caps the parallel jobs on a shared machine; all cores by default.
jobs=${PAVSIM_JOBS:-$(nproc 2>/dev/null || echo 4)}

# step N TEXT COMMAND...: announces the step, runs it, stops the demo if it fails.
step() {
  local number=$1 text=$2
  shift 2
  echo "== Step $number: $text"
  local status=0
  "$@" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "== Demo stopped: step $number ($text) ended with status $status" >&2
    exit "$status"
  fi
}

# (Inside a step's function, set -e does not act: each command is chained.)
build() {
  bash scripts/deps.sh &&
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null &&
    cmake --build build -j "$jobs" --target pavsim tervon tervon-mkdemo
}

# Only the demo's own two folders are replaced: FOLDER may hold other files.
make_project() {
  rm -rf "$project" "$drive" &&
    "$root/build/tools/demo_data/tervon-mkdemo" "$project" --drive "$drive"
}

# Both programs run in the project folder, with the drive "c:\" mapped.
in_project() {
  (cd "$project" && env -u DISPLAY PAVSIM_DRIVE_C="$drive" "$@")
}

step 1 "installing what is missing (scripts/deps.sh), building pavsim, tervon and tervon-mkdemo in build/ ($jobs jobs)" \
  build
step 2 "tervon-mkdemo: station data, clmtemp.txt and input.dat in $project, directory.txt in $drive" \
  make_project
step 3 "tervon --script road1.tvs, headless: station ALDER gives $project/input.tmp and $drive/check.txt" \
  in_project "$root/build/src/frontend/tervon" --script "$root/tests/frontend/scripts/road1.tvs"
step 4 "pavsim on input.dat and input.tmp: climate simulation (progress.tmp), then the design case" \
  in_project "$root/build/src/engine/main/pavsim"

echo "== Step 5: what the design run left"
rows=$(awk 'NR > 1 && NF == 4' "$project/ 1.txt")
echo "Design criterion (res.txt: month, cracking in ft/mile): $(cat "$project/res.txt")"
echo "Last row of \" 1.txt\" (case, month, crack depth in, cracking ft/mile): $(tail -n 1 <<< "$rows")"
echo "Rows of \" 1.txt\": $(grep -c . <<< "$rows")"
echo "Lines of i2.dat: $(wc -l < "$project/i2.dat")"
echo "Project folder: $project (input.tmp, tmp/thermal.tmp, \" 1.txt\", criteria.txt, res.txt,"
echo "  doc-17a.dat, master-results.dat, i2.dat, i_criteria.dat, tc240.dat and the drainage report .drn;"
echo "  tervon's input asks for the temperature history only, so no .tem, .mod, .por, .wat, .ice or .crl)"
echo "Drive c:\\: $drive (directory.txt, check.txt)"
