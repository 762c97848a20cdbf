#!/usr/bin/env bash
# Installs what is missing, builds everything from nothing and runs every test.
#   scripts/test.sh            release build in build/
#   scripts/test.sh --asan     AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   scripts/test.sh --tsan     ThreadSanitizer build in build-tsan/ (threaded tests only)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

mode=${1:-release}
case "$mode" in
  release|--release) dir=build; flags=(); label=() ;;
  --asan) dir=build-asan; flags=(-DDOCCAM_ASAN=ON -DDOCCAM_BENCHMARKS=OFF); label=() ;;
  --tsan) dir=build-tsan; flags=(-DDOCCAM_TSAN=ON -DDOCCAM_BENCHMARKS=OFF); label=(-L threaded) ;;
  *) echo "usage: $0 [--asan|--tsan]" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}"
cmake --build "$dir" -j "$(nproc)"
ctest --test-dir "$dir" --output-on-failure --timeout 300 -j "$(nproc)" "${label[@]}"
