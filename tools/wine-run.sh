#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM ARGS...: the cross-compiling emulator. Runs one
# Windows program under Wine in the build's prefix, creating it when needed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=$(realpath -m "$1"); shift
. "$top/tools/wine-prefix.sh"
wine_prefix_create
exec wine "$@"
