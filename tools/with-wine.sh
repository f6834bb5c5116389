#!/usr/bin/env bash
# with-wine.sh PREFIX COMMAND...: runs COMMAND with the given Wine prefix ready,
# a display (Xvfb when none is set) and a wineserver kept alive for the whole
# run, so that each Windows program starts warm. Stops what it started.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=$(realpath -m "$1"); shift
. "$top/tools/wine-prefix.sh"
wine_prefix_create

xvfb_pid=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  # Pick a free display number so that two runs on one machine do not clash.
  for n in $(seq 90 150); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xvfb_pid=
  done
  [ -n "${DISPLAY:-}" ] || { echo "with-wine: no free X display" >&2; exit 1; }
fi
wineserver -p
# Start Wine's own services now, detached from our output: started by the
# first test instead, they would hold ctest's output pipe open until the end.
wine cmd /c exit </dev/null >/dev/null 2>&1
"$@"
