#!/usr/bin/env bash
# memory.sh BUILD: the peak working set of the launcher through a whole update
# with a 200 MB package: the launcher built against the loopback version
# service, which offers a newer version; it downloads the package from the
# loopback file server, sets the installed files aside, unpacks, and starts
# the new product. The baseline is download_baseline.exe fetching the same
# package with URLDownloadToFileW and doing nothing else. Both are watched by
# peak_memory.exe, their parent, alternately. Goal: at most 25 MB.
# The launcher checks the maker's signature of the package (the service signs
# its offer with the build's development key): the figure includes the check.
set -euo pipefail
. "$(dirname "$0")/loopback.inc"
rounds=${MEMORY_ROUNDS:-2}
cmake --build "$build" -j2 --target launcher_loopback download_baseline peak_memory standin_v1_0_0_9 \
  standin_v1_0_1_0 >/dev/null
work="$build/bench/memory"
mkdir -p "$work/files"

# The package, made once per build tree with 7-Zip's default settings, as a
# product maker would pack a release: 7z, LZMA2 at level 5, solid,
# multithreaded (7zz 26.02 lists it as LZMA2:25, a 32 MB dictionary, which
# the decoder must hold in memory whatever the launcher does). The release is
# the new product, 190 MB that does not compress (packed game data, media,
# installers) and 30 MB of text in many small files, so that about 200 MB are
# downloaded and 220 MB unpacked.
package="$work/files/Tarvo_1.0.0.10.7z"
if [ ! -f "$package" ]; then
  echo "bench: making the 200 MB package (once)"
  src="$work/src"
  rm -rf "$src" && mkdir -p "$src"
  cp "$bin/standin_v1_0_1_0.exe" "$src/VxSpeedUp.exe"
  python3 "$top/tools/bench/package-files.py" "$src" 5 1500 30 39000 0 38 5
  (cd "$src" && 7zz a -bd -bso0 -t7z "$package.tmp" VxSpeedUp.exe docs data)
  mv "$package.tmp" "$package"
  rm -rf "$src"
fi
size=$(stat -c %s "$package")

state="$work/servers"
start_servers "$state" "$work/files"
on_exit='rm -rf "$work/install" "$work/out"'
url="http://127.0.0.1:$((port + 1))/files/Tarvo_1.0.0.10.7z"

# update LAUNCHER NAME: one update by LAUNCHER (below tests/bin) under its
# parent; sets result to "PEAK PRIVATE", and adds to $notes when it did not install.
update() {
  rm -rf "$work/install" && mkdir -p "$work/install"
  cp "$bin/$1" "$work/install/launcher.exe"
  cp "$bin/standin_v1_0_0_9.exe" "$work/install/VxSpeedUp.exe"
  read -r peak private code ms < <(wine "$bin/peak_memory.exe" "$(winpath "$work/install")" \
    "\"$(winpath "$work/install")\\launcher.exe\"" 2>/dev/null | tr -d '\r' | sed -n 's/^peak_memory: //p')
  # The update must really have happened: the new product in place, the package gone.
  if [ "$code" != 0 ] || ! cmp -s "$work/install/VxSpeedUp.exe" "$bin/standin_v1_0_1_0.exe" ||
    [ -e "$work/install/Tarvo_1.0.0.10.7z" ] || [ ! -f "$work/install/data/pack37.bin" ]; then
    notes+=" ($2 round $round: exit $code, update not installed)"
  fi
  echo "bench: memory round $round: $2 ${ms} ms, peak working set $peak, peak private $private" >&2
  result="$peak $private"
}

baselines=() figures=() privates=() notes=""
for round in $(seq "$rounds"); do
  rm -rf "$work/out" && mkdir -p "$work/out"
  # A fresh address each time, so that no cache answers for the server.
  read -r peak private code ms < <(wine "$bin/peak_memory.exe" "$(winpath "$work/out")" \
    "\"$(winpath "$bin/download_baseline.exe")\" \"$url?baseline$round\" \"$(winpath "$work/out")\\package.7z\"" \
    2>/dev/null | tr -d '\r' | sed -n 's/^peak_memory: //p')
  [ "$code" = 0 ] || notes+=" (baseline exit $code)"
  baselines+=("$peak")

  curl -sk "https://127.0.0.1:$port/control/offer?$url" >/dev/null
  update launcher_loopback.exe launcher
  read -r peak private <<<"$result"
  figures+=("$peak")
  privates+=("$private")
done
python3 - "${baselines[*]}" "${figures[*]}" "${privates[*]}" "$size" "$rounds" "$notes" <<'PY'
import sys
mb = 1 << 20
baseline = max(int(v) for v in sys.argv[1].split()) / mb
figure = max(int(v) for v in sys.argv[2].split()) / mb
private = max(int(v) for v in sys.argv[3].split()) / mb
package = int(sys.argv[4]) / mb
print(f"memory: baseline {baseline:.1f} MB (URLDownloadToFileW of the package), figure {figure:.1f} MB (launcher "
      f"through the {package:.0f} MB update, peak working set; peak private {private:.1f} MB), ratio "
      f"{figure / baseline:.3f}, goal <= 25 MB: {'met' if figure <= 25 else 'missed'} (largest of {sys.argv[5]})"
      f"{sys.argv[6]}")
PY
