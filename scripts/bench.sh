#!/usr/bin/env bash
# Builds and runs the benchmarks; each prints its own table. Never part of ./test.
#   farm  farm_bench natively (Release), its work folder on /dev/shm when there is one and
#         then on the disk's temporary folder
#   com   com_bench under Wine: COM calls of a farm export and import through labfarm.dll
#   view  view_bench under Wine on a virtual display: the applications view, 32,767 lines
#   preview  preview_bench natively (Release): the import preview beside the import, 10,000
#         applications, on /dev/shm when there is one and then on the disk
#   compare  compare_bench natively (Release): a 10,000-application farm compared with its own
#         export, beside the export alone
# Usage: scripts/bench.sh [farm|com|view|preview|compare]...   (all five when none is named)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
which=("$@")
[ ${#which[@]} -gt 0 ] || which=(farm com view preview compare)
scripts/deps.sh

wants() { [[ " ${which[*]} " == *" $1 "* ]]; }

# A native benchmark: its work folder on /dev/shm first (where there is one), then on the disk.
native_bench() {  # TARGET
  echo "== $1 (native, Release)"
  cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/bench --target "$1" -j2 >/dev/null
  if [ -d /dev/shm ]; then
    "build/bench/bench/$1" /dev/shm
    echo
  fi
  "build/bench/bench/$1"
}

if wants farm; then
  native_bench farm_bench
fi

if wants preview; then
  native_bench preview_bench
fi

if wants compare; then
  native_bench compare_bench
fi

if wants com || wants view; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j2 --target com_bench view_bench labfarm >/dev/null
  export ZELT_WINEPREFIX=${ZELT_WINEPREFIX:-$root/build/wineprefix}
  run=()
  wants com && run+=(com_bench)
  wants view && run+=(view_bench)
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -e
    export WINEPREFIX=$ZELT_WINEPREFIX WINEDEBUG=-all
    mkdir -p "$WINEPREFIX"
    wineserver -p
    trap "wineserver -k || true" EXIT
    scripts/wine-prefix.sh build/windows
    for bench in "$@"; do
      echo "== $bench (Wine)"
      scripts/wine-run "build/windows/bench/$bench.exe"
      echo
    done' bench "${run[@]}"
fi
