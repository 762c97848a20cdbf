#!/usr/bin/env bash
# Fails when a folder includes a header from a layer above it (a cycle between layers would
# follow).
#
# Camera library: the layers, lowest first, as camera/CMakeLists.txt builds them; the tools may
# use every layer. Its includes name the folder ("usb/Transport.h").
#
# Viewer: resources < canvas < sources < widgets < scan < app. The sources hand frames to the canvas
# through its callback interface, so the canvas lies below them; the widgets show canvases and
# sources, and the application shell puts them all together. The viewer's includes name the
# header alone, so each is traced to the folder that holds it; headers from outside the viewer
# (the toolkit's, the camera library's host helpers) belong to no layer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
status=0

camera_layers=(protocol usb sim device commands filter)
cd "$root/camera"
for i in "${!camera_layers[@]}"; do
  below=("${camera_layers[@]:0:i+1}")
  allowed=$(IFS='|'; echo "${below[*]}")
  while IFS= read -r hit; do
    echo "layer ${camera_layers[i]} includes from above it: $hit" >&2
    status=1
  done < <(grep -rnE '#include "[a-z]+/' "${camera_layers[i]}" | grep -vE "#include \"($allowed)/" || true)
done

viewer_layers=(resources canvas sources widgets scan app)
cd "$root/viewer"
declare -A rank
for i in "${!viewer_layers[@]}"; do
  rank[${viewer_layers[i]}]=$i
done
# The layer of every header of the viewer, by its file name.
declare -A home
while IFS= read -r header; do
  home[${header##*/}]=${header%%/*}
done < <(find "${viewer_layers[@]}" -name '*.h')
for layer in "${viewer_layers[@]}"; do
  while IFS=: read -r file line header; do
    owner=${home[$header]:-}
    if [[ -n $owner && ${rank[$owner]} -gt ${rank[$layer]} ]]; then
      echo "layer $layer includes $owner/$header from above it: viewer/$file:$line" >&2
      status=1
    fi
  done < <(grep -rnoE '#include "[^"]+"' "$layer" --include='*.h' --include='*.cpp' |
    sed -E 's/#include "(.*)"$/\1/')
done
exit $status
