#!/usr/bin/env bash
# Checks that includes run downwards only: core, errors, store, tags, coverart, then builder,
# playlists and extras (which do not include each other), then app and cli (likewise).
set -euo pipefail
cd "$(dirname "$0")/../src"
level() {
  case "$1" in
    core) echo 0 ;; errors) echo 1 ;; store) echo 2 ;; tags) echo 3 ;; coverart) echo 4 ;;
    builder|playlists|extras) echo 5 ;; app|cli) echo 6 ;; *) echo 99 ;;
  esac
}
status=0
while IFS= read -r line; do
  file=${line%%:*}
  target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$line")
  from=${file%%/*}
  [ "$from" = "$target" ] && continue
  lf=$(level "$from"); lt=$(level "$target")
  if [ "$lt" -ge "$lf" ]; then
    echo "include upwards or sideways: $line"
    status=1
  fi
done < <(grep -rHE '^#include "[^/"]+/' --include='*.h' --include='*.cpp' .| sed 's|^\./||')
[ $status -eq 0 ] && echo "includes run downwards"
exit $status
