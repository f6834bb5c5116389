#!/usr/bin/env bash
# download.sh BUILD: DownloadToFile of a 100 MB file from the loopback HTTP
# server (tests/net/test_server.py, /files/) against a minimal program calling
# URLDownloadToFileW on the same address, alternately from one Windows-side
# timer. Prints the throughput ratio (target: at least 0.90).
set -euo pipefail
. "$(dirname "$0")/loopback.inc"
rounds=${DOWNLOAD_ROUNDS:-3}
cmake --build "$build" -j2 --target download_bench download_baseline process_timer >/dev/null
work="$build/bench/download"
mkdir -p "$work/files" "$work/out"
[ -f "$work/files/big.bin" ] || head -c $((100 << 20)) /dev/urandom >"$work/files/big.bin"
state="$work/servers"
start_servers "$state" "$work/files"
out=$(winpath "$work/out")
url="http://127.0.0.1:$((port + 1))/files/big.bin"
# Each run gets a fresh address, so that no cache answers for the server.
read -r baseline figure baseline_exit figure_exit < <(wine "$bin/process_timer.exe" "$rounds" "$out" \
  "\"$(winpath "$bin/download_baseline.exe")\" \"$url?baseline\" \"$out\\baseline.bin\"" \
  "\"$(winpath "$bin/download_bench.exe")\" \"$url?launcher\" \"$out\\launcher.bin\"" 2>/dev/null | tr -d '\r')
size=$(stat -c %s "$work/out/launcher.bin" 2>/dev/null || echo 0)
rm -rf "$work/out"
python3 -c "
b, f = float('$baseline') / 1000, float('$figure') / 1000
mb = 100 * 1.048576
print(f'download: baseline {mb / b:.0f} MB/s (URLDownloadToFileW, exit $baseline_exit), figure {mb / f:.0f} MB/s '
      f'(DownloadToFile, exit $figure_exit, {$size} bytes), ratio {b / f:.3f} (target >= 0.90, median of $rounds)')
"
