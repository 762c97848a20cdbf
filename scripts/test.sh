#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds everything from nothing and runs every test.
#   scripts/test.sh            every suite below, one after the other, each from nothing
#   scripts/test.sh --release  release build in build/, every test
#   scripts/test.sh --asan     AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   scripts/test.sh --tsan     ThreadSanitizer build in build-tsan/ (threaded tests only)
#   scripts/test.sh --fuzz     the libFuzzer targets (clang) in build-fuzz/, a brief run each
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh

jobs=$(nproc)

suite() {
  local mode=$1 dir flags=() label=() started
  case "$mode" in
    release) dir=build ;;
    asan) dir=build-asan; flags=(-DDOCCAM_ASAN=ON -DDOCCAM_BENCHMARKS=OFF) ;;
    tsan) dir=build-tsan; flags=(-DDOCCAM_TSAN=ON -DDOCCAM_BENCHMARKS=OFF); label=(-L threaded) ;;
    fuzz)
      dir=build-fuzz
      flags=(-DDOCCAM_FUZZ=ON -DDOCCAM_BENCHMARKS=OFF -DCMAKE_C_COMPILER=clang
             -DCMAKE_CXX_COMPILER=clang++)
      label=(-L fuzz) ;;
  esac
  started=$(date +%s)
  echo "== $mode suite in $dir"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
  if [ "$mode" = fuzz ]; then
    # Only the fuzz targets are built with clang; the rest of the tree is not needed.
    cmake --build "$dir" -j "$jobs" --target doccam_fuzz
  else
    cmake --build "$dir" -j "$jobs"
  fi
  ctest --test-dir "$dir" --output-on-failure --timeout 300 -j "$jobs" "${label[@]}"
  echo "== $mode suite passed in $(( $(date +%s) - started )) s"
}

case "${1:---all}" in
  --all) for mode in release asan tsan fuzz; do suite "$mode"; done ;;
  --release|release) suite release ;;
  --asan) suite asan ;;
  --tsan) suite tsan ;;
  --fuzz) suite fuzz ;;
  *) echo "usage: $0 [--release|--all|--asan|--tsan|--fuzz]" >&2; exit 2 ;;
esac
