#!/usr/bin/env bash
# start.sh BUILD: the no-update start. The launcher built against the loopback
# version service (launcher_loopback.exe), which answers at once with the
# installed version 1.0.0.9, against start_baseline.exe, which does only the
# platform's part of that work (one WinINet HTTPS GET with the same flags,
# reading the body, one CreateProcessW of the same stand-in product). Both
# run alternately from one Windows-side timer, from process start to exit.
# Target: ratio at most 1.10.
set -euo pipefail
. "$(dirname "$0")/loopback.inc"
rounds=${START_ROUNDS:-40}
cmake --build "$build" -j2 --target launcher_loopback start_baseline process_timer standin_v1_0_0_9 >/dev/null
work="$build/bench/start"
rm -rf "$work" && mkdir -p "$work/install"
cp "$bin/launcher_loopback.exe" "$work/install/launcher.exe"
cp "$bin/standin_v1_0_0_9.exe" "$work/install/VxSpeedUp.exe"
cp "$bin/start_baseline.exe" "$work/install/start_baseline.exe"
state="$work/servers"
start_servers "$state"
curl -sk "https://127.0.0.1:$port/control/driver?case=driver-equal" >/dev/null
install=$(winpath "$work/install")
url="https://127.0.0.1:$port/v1/oem/clientVersion?oemId=1"
read -r baseline figure baseline_exit figure_exit < <(wine "$bin/process_timer.exe" "$rounds" "$install" \
  "\"$install\\start_baseline.exe\" \"$url\"" "\"$install\\launcher.exe\"" 2>/dev/null | tr -d '\r') || true
python3 -c "
import sys
b, f = float('$baseline'), float('$figure')
print(f'start: baseline {b:.1f} ms (WinINet GET + CreateProcessW, exit $baseline_exit), figure {f:.1f} ms '
      f'(launcher, no update, exit $figure_exit), ratio {f / b:.3f} (target <= 1.10, median of $rounds)')
"
