#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM ARGS...: the cross-compiling emulator. Runs one
# Windows program under Wine in the build's prefix, creating it when needed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=$(realpath -m "$1"); shift
. "$top/tools/wine-prefix.sh"
wine_prefix_create
if [ "$WINEARCH" = win64 ] && file -b "$1" 2>/dev/null | grep -q '^PE32 '; then
  echo "wine-run: $1 is a 32-bit program, but this machine cannot execute 32-bit code;" >&2
  echo "wine-run: build the tests for x86_64: delete this build folder and run make again (tools/test-arch.sh)" >&2
  exit 126
fi
exec wine "$@"
