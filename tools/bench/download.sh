#!/usr/bin/env bash
# download.sh BUILD: the launcher's DownloadPackage of a 100 MB file over
# loopback HTTP against a minimal program calling URLDownloadToFileW with no
# callback (download_baseline.exe), alternately from one Windows-side timer:
#  - uncut, both from the suite's file server (tests/net/test_server.py,
#    /files/): the throughput ratio, new over baseline (goal: at least 1.0);
#  - the connection cut at 50 % (tests/net/package_server.py, /file/ with the
#    script "cut=52428800,ok"): the launcher's time to the complete file over
#    the baseline's uncut time from the same server (goal: at most 1.2);
#  - the peak working set of each, watched by peak_memory.exe (goal: the
#    launcher's at most the baseline's).
set -euo pipefail
. "$(dirname "$0")/loopback.inc"
rounds=${DOWNLOAD_ROUNDS:-3}
cmake --build "$build" -j2 --target download_bench download_baseline process_timer peak_memory >/dev/null
work="$build/bench/download"
mkdir -p "$work/files" "$work/out"
# Random bytes behind the 7z signature: the launcher takes only a body that
# starts like a package.
if [ ! -f "$work/files/big.7z" ]; then
  { printf '7z\xbc\xaf\x27\x1c'; head -c $(((100 << 20) - 6)) /dev/urandom; } >"$work/files/big.7z.tmp"
  mv "$work/files/big.7z.tmp" "$work/files/big.7z"
fi
rm -f "$work/files/big.bin"
state="$work/servers"
start_servers "$state" "$work/files"
cutter="$work/package-server"
/usr/bin/python3 "$top/tests/net/package_server.py" start "$cutter" "$work/files"
on_exit='/usr/bin/python3 "$top/tests/net/package_server.py" stop "$cutter"'
out=$(winpath "$work/out")
url="http://127.0.0.1:$((port + 1))/files/big.7z"
cut_base="http://127.0.0.1:$(cat "$cutter/port")/file"
baseline_exe="\"$(winpath "$bin/download_baseline.exe")\""
bench_exe="\"$(winpath "$bin/download_bench.exe")\""

# Each run gets a fresh address, so that no cache answers for the server.
read -r baseline figure baseline_exit figure_exit < <(wine "$bin/process_timer.exe" "$rounds" "$out" \
  "$baseline_exe \"$url?baseline\" \"$out\\baseline.bin\"" \
  "$bench_exe \"$url?launcher\" \"$out\\launcher.bin\"" 2>/dev/null | tr -d '\r')
size=$(stat -c %s "$work/out/launcher.bin" 2>/dev/null || echo 0)
cmp -s "$work/out/launcher.bin" "$work/files/big.7z" && same=identical || same=DIFFERENT

read -r cut_baseline cut_figure cut_baseline_exit cut_figure_exit < <(wine "$bin/process_timer.exe" "$rounds" "$out" \
  "$baseline_exe \"$cut_base/baseline/ok/big.7z?baseline\" \"$out\\baseline.bin\"" \
  "$bench_exe \"$cut_base/{unique}/cut=52428800,ok/big.7z\" \"$out\\launcher.bin\"" 2>/dev/null | tr -d '\r')
cmp -s "$work/out/launcher.bin" "$work/files/big.7z" && cut_same=identical || cut_same=DIFFERENT
# The last cut run's requests: the first whole, the second from the cut on.
cut_requests=$(ls -t "$cutter/log" | grep -v '^baseline$' | head -1)
cut_ranges=$(cut -f2 "$cutter/log/$cut_requests" | tr '\n' ' ')

peak() {
  wine "$bin/peak_memory.exe" "$out" "$1" 2>/dev/null | tr -d '\r' | sed -n 's/^peak_memory: //p'
}
read -r base_peak base_private base_code _ < <(peak "$baseline_exe \"$url?memory-baseline\" \"$out\\baseline.bin\"")
read -r fig_peak fig_private fig_code _ < <(peak "$bench_exe \"$url?memory-launcher\" \"$out\\launcher.bin\"")
rm -rf "$work/out"
python3 - <<PY
b, f = float('$baseline') / 1000, float('$figure') / 1000
cb, cf = float('$cut_baseline') / 1000, float('$cut_figure') / 1000
mb = 100 * 1.048576
print(f'download: baseline {mb / b:.0f} MB/s (URLDownloadToFileW, exit $baseline_exit), figure {mb / f:.0f} MB/s '
      f'(DownloadPackage, exit $figure_exit, {$size} bytes, $same), speed ratio {b / f:.3f} (goal >= 1.0, median of $rounds)')
print(f'download cut at 50 %: baseline {cb:.2f} s uncut (URLDownloadToFileW, exit $cut_baseline_exit), figure {cf:.2f} s '
      f'to the complete file (DownloadPackage, exit $cut_figure_exit, $cut_same, requests: $cut_ranges), '
      f'time ratio {cf / cb:.3f} (goal <= 1.2, median of $rounds)')
bp, fp = int('$base_peak') / 1048576, int('$fig_peak') / 1048576
print(f'download memory: baseline peak working set {bp:.1f} MB (exit $base_code, private {int("$base_private") / 1048576:.1f} MB), '
      f'figure {fp:.1f} MB (exit $fig_code, private {int("$fig_private") / 1048576:.1f} MB), ratio {fp / bp:.3f} (goal <= 1.0)')
PY
