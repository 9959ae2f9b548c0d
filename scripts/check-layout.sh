#!/usr/bin/env bash
# Keeps the folders' walls where the build puts them: a file includes another
# folder's header only by its bare name, through the include folders its
# target links (never by a relative path around them), and no two headers
# share a name, so which one an include finds never depends on the order of
# include folders.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

failed=0
relative=$(grep -rnE '^\s*#\s*include\s*"[^"]*\.\./' src apps tests bench fuzz || true)
if [[ -n "$relative" ]]; then
  echo "includes with a relative path (include the header by its name; link the target that publishes it):"
  echo "$relative"
  failed=1
fi

duplicates=$(find src apps tests bench fuzz -name '*.h' -printf '%f\n' | sort | uniq -d)
if [[ -n "$duplicates" ]]; then
  echo "headers that share a name (rename one):"
  for name in $duplicates; do
    find src apps tests bench fuzz -name "$name"
  done
  failed=1
fi

exit "$failed"
