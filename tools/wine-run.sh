#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM ARGS...: the cross-compiling emulator. Runs one
# Windows program under Wine in the build's prefix, creating it when needed.
#
# The program's output goes through a file, never straight to our own output:
# Wine's desktop process (explorer.exe /desktop) is started by the first
# program of a run that makes a window, inherits that program's standard
# handles and lives until the last window of the whole run is gone. Given
# ctest's pipe, it held that pipe open, and ctest waited for it until the
# test's time-out although the program had long ended. A tail that follows
# the file while the program runs shows the output as it comes and ends with
# the program.
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
log=$(mktemp /tmp/wine-run.XXXXXX)
trap 'rm -f "$log"' EXIT
wine "$@" >"$log" 2>&1 </dev/null &
program=$!
tail -q -n +1 -s 0.1 --pid="$program" -f "$log" &
follower=$!
rc=0
wait "$program" || rc=$?
wait "$follower" || true
exit "$rc"
