#!/usr/bin/env bash
# signature.sh BUILD: what the maker's signature check adds to a 200 MB
# update: DownloadPackage of a 200 MB package from the loopback HTTP server,
# then PackageSignature::Check of it (minisign's prehashed signature,
# made with the tests' key), each timed inside signature_bench.exe, two ways
# in turn: the check reading the package again, and the hash taken as the
# bytes arrive (the session's way). The baseline is the download alone; the
# figure the download and the check; the share is the check's time after
# the download over the download's.
# The package's content does not matter to the check: random bytes behind
# the 7z signature. The process's peak working set is read after the
# download and after the check.
set -euo pipefail
. "$(dirname "$0")/loopback.inc"
rounds=${SIGNATURE_ROUNDS:-3}
cmake --build "$build" -j2 --target signature_bench >/dev/null
work="$build/bench/signature"
mkdir -p "$work/files" "$work/out"
package="$work/files/Tarvo_1.0.0.10.7z"
# The 7z signature first: the download refuses a body that is no package.
if [ ! -f "$package" ] || [ "$(head -c 2 "$package")" != 7z ]; then
  { printf '7z\xbc\xaf\x27\x1c'; head -c $(((200 << 20) - 6)) /dev/urandom; } >"$package"
fi
keys="$build/update-key"
"$top/tools/sign-package.sh" "$package" 1.0.0.10 "$keys/maker.key" >"$work/files/package.sig" 2>/dev/null
key=$(sed -n 2p "$keys/maker.pub")
state="$work/servers"
start_servers "$state" "$work/files"
on_exit='rm -rf "$work/out"'
url="http://127.0.0.1:$((port + 1))/files/Tarvo_1.0.0.10.7z"
for way in read taken; do
  downloads=() checks=() peaks=() notes=""
  for round in $(seq "$rounds"); do
    rm -f "$work/out/Tarvo_1.0.0.10.7z"
    # A fresh address each time, so that no cache answers for the server.
    read -r download check verdict peak_download peak_check < <(wine "$bin/signature_bench.exe" \
      "$url?$way$round" "$(winpath "$work/out")\\Tarvo_1.0.0.10.7z" "$(winpath "$work/files/package.sig")" "$key" \
      1.0.0.10 "$way" 2>/dev/null | tr -d '\r' | sed -n 's/^signature_bench: //p')
    [ "$verdict" = Valid ] || notes+=" (round $round: $verdict, the figure means nothing)"
    downloads+=("$download") checks+=("$check") peaks+=("$peak_download:$peak_check")
    echo "bench: signature ($way) round $round: download $download ms, check $check ms," \
      "peak working set $peak_download after the download, $peak_check after the check" >&2
  done
  python3 - "${downloads[*]}" "${checks[*]}" "$notes" "${peaks[*]}" "$way" <<'PY'
import statistics, sys
peaks = [tuple(int(x) / (1 << 20) for x in p.split(":")) for p in sys.argv[4].split()]
download = statistics.median(float(v) for v in sys.argv[1].split())
check = statistics.median(float(v) for v in sys.argv[2].split())
way = {"read": "the package read again", "taken": "the hash taken as the bytes arrived"}[sys.argv[5]]
print(f"signature ({way}): baseline {download:.0f} ms (download of 200 MB), figure {download + check:.0f} ms "
      f"(download, then the check: {check:.0f} ms), ratio {(download + check) / download:.3f}, "
      f"the check's share {check / download:.3f} (median of {len(sys.argv[1].split())}){sys.argv[3]}")
print(f"signature ({way}): peak working set {max(p[0] for p in peaks):.1f} MB after the download, "
      f"{max(p[1] for p in peaks):.1f} MB after the check (largest of {len(peaks)})")
PY
done
