#!/usr/bin/env bash
# bench.sh BUILD: runs every benchmark script in tools/bench/ with the build.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
found=0
for script in "$top"/tools/bench/*.sh; do
  [ -e "$script" ] || continue
  found=1
  bash "$script" "$1"
done
[ "$found" = 1 ] || echo "bench: no benchmarks yet"
