#!/usr/bin/env bash
# Fails, naming the files, when any C or C++ source in the repository is not formatted as
# .clang-format says. The formatter's version is pinned: other versions lay code out differently.
#   scripts/check-format.sh         check only
#   scripts/check-format.sh --fix   rewrite the files in place
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=clang-format-16
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.c' '*.cc' '*.cpp' '*.h')
else
  # An exported tree without git: every source outside the build folders.
  mapfile -t files < <(find camera viewer tests -type f \( -name '*.c' -o -name '*.cc' \
                       -o -name '*.cpp' -o -name '*.h' \) | sort)
fi
if [ "${1:-}" = --fix ]; then
  "$formatter" -i "${files[@]}"
  exit 0
fi
if ! "$formatter" --dry-run --Werror "${files[@]}" 2>/dev/null; then
  echo "Not formatted (run scripts/check-format.sh --fix):" >&2
  for f in "${files[@]}"; do
    "$formatter" --dry-run --Werror "$f" >/dev/null 2>&1 || echo "  $f" >&2
  done
  exit 1
fi
