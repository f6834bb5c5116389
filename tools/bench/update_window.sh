#!/usr/bin/env bash
# update_window.sh BUILD: the update window as the user meets it.
# 1. From the launcher's start to the update window's first completed paint:
#    the launcher built against the loopback version service, which offers a
#    newer version (the package trickles in, so the window stays in its
#    progress state), against window_baseline.exe, which does only the
#    platform's part of that road (the same WinINet HTTPS GET, then a plain
#    popup of the same size, style and colours painted with two fills). Both
#    run alternately from one Windows-side timer (first_paint_timer.exe), from
#    CreateProcessW to the moment the window's progress track shows on the
#    screen; the window host paints the whole client area off screen and
#    copies it in one piece, so that pixel marks the end of the first paint.
# 2. What one progress message repaints in the real update window, against a
#    repaint of its whole client area (progress_paint_bench.exe).
set -euo pipefail
. "$(dirname "$0")/loopback.inc"
rounds=${UPDATE_WINDOW_ROUNDS:-15}
cmake --build "$build" -j2 --target launcher_loopback window_baseline first_paint_timer progress_paint_bench \
  standin_v1_0_0_9 >/dev/null
work="$build/bench/update_window"
rm -rf "$work" && mkdir -p "$work/install" "$work/files"
cp "$bin/launcher_loopback.exe" "$work/install/launcher.exe"
cp "$bin/standin_v1_0_0_9.exe" "$work/install/VxSpeedUp.exe"
cp "$bin/window_baseline.exe" "$work/install/window_baseline.exe"
# Only its first pieces are ever fetched: each launcher is ended once painted.
head -c $((1 << 20)) /dev/urandom >"$work/files/Tarvo_1.0.0.10.7z"
state="$work/servers"
start_servers "$state" "$work/files"
curl -sk "https://127.0.0.1:$port/control/offer?http://127.0.0.1:$((port + 1))/slow-files/Tarvo_1.0.0.10.7z" >/dev/null
install=$(winpath "$work/install")
url="https://127.0.0.1:$port/v1/oem/clientVersion?oemId=1"
# The progress track (#1E2938) at the right end of the bar row.
read -r baseline figure baseline_missed figure_missed < <(wine "$bin/first_paint_timer.exe" "$rounds" "$install" \
  498 274 1E2938 Tarvo_1.0.0.10.7z "\"$install\\window_baseline.exe\" \"$url\"" "\"$install\\launcher.exe\"" \
  2>/dev/null | tr -d '\r') || true
python3 - "$baseline" "$figure" "$baseline_missed" "$figure_missed" "$rounds" <<'PY'
import sys
b, f = float(sys.argv[1]), float(sys.argv[2])
missed = "" if sys.argv[3:5] == ["0", "0"] else f" (missed rounds: baseline {sys.argv[3]}, launcher {sys.argv[4]})"
print(f"update window: baseline {b:.1f} ms (WinINet GET + plain window painted), figure {f:.1f} ms (launcher start "
      f"to the update window's first completed paint), ratio {f / b:.3f} (median of {sys.argv[5]}){missed}")
PY
wine "$bin/progress_paint_bench.exe" 2>/dev/null | tr -d '\r'
