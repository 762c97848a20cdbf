#!/usr/bin/env bash
# Builds the viewer and the camera plug-in and starts the viewer with the simulated camera.
#
# With a display the viewer runs until you close it. Without one (no DISPLAY), it runs under
# xvfb-run, takes a snapshot of the camera picture after a few seconds, saves a screenshot of the
# window, prints where both are and exits by itself.
#
#   scripts/run.sh               build in build/ and run
#   RUN_SECONDS=20 scripts/run.sh   (headless) run longer before the screenshot
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh

build=${BUILD_DIR:-$root/build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(viewer)
if cmake --build "$build" --target help | grep -q '^gsttevalcap:'; then
  targets+=(gsttevalcap)
fi
cmake --build "$build" --target "${targets[@]}" -j "$(nproc)"

export TEVALCAP_SIMULATE=1
export GST_PLUGIN_PATH="$build/plugins${GST_PLUGIN_PATH:+:$GST_PLUGIN_PATH}"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/viewer/app/viewer"
fi

# Headless: a private settings folder and picture folder under the output directory, so that the
# demonstration neither reads nor changes the user's own settings.
out=${OUT_DIR:-$root/build/run}
rm -rf "$out"
mkdir -p "$out/home/.config"
seconds=${RUN_SECONDS:-8}
snapshot_ms=$(( seconds * 1000 - 3000 ))
[ "$snapshot_ms" -lt 1000 ] && snapshot_ms=1000

HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" \
DOCCAM_SNAPSHOT_AFTER_MS=$snapshot_ms \
DOCCAM_EXIT_AFTER_MS=$(( seconds * 1000 )) \
DOCCAM_SCREENSHOT="$out/window.png" \
  timeout $(( seconds + 60 )) xvfb-run -a -s "-screen 0 1280x1024x24" "$build/viewer/app/viewer"

echo "Screenshot of the window: $out/window.png"
snapshot=$(find "$out/home/Documents/Document Camera/images" -name '*.jpg' 2>/dev/null | sort | tail -n 1)
if [ -n "$snapshot" ]; then
  echo "Snapshot of the camera picture: $snapshot"
else
  echo "No snapshot was written (no camera picture arrived)."
fi
