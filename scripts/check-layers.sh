#!/usr/bin/env bash
# Fails when a folder of the camera library includes a header from a layer above it (a cycle
# between layers would follow). The layers, lowest first, as camera/CMakeLists.txt builds them;
# the tools may use every layer.
set -euo pipefail
cd "$(dirname "$0")/../camera"
layers=(protocol usb sim device commands filter)
status=0
for i in "${!layers[@]}"; do
  below=("${layers[@]:0:i+1}")
  allowed=$(IFS='|'; echo "${below[*]}")
  while IFS= read -r hit; do
    echo "layer ${layers[i]} includes from above it: $hit" >&2
    status=1
  done < <(grep -rnE '#include "[a-z]+/' "${layers[i]}" | grep -vE "#include \"($allowed)/" || true)
done
exit $status
