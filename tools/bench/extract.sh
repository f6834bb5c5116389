#!/usr/bin/env bash
# extract.sh BUILD: ExtractTo of a 200 MB mixed-content 7z package against the
# 7-Zip console program (7za.exe, built here from the same Debian source with
# the same toolchain), both under Wine, in one run. Prints the throughput
# ratio of ExtractTo to the console program decoding on one thread as
# ExtractTo does (target: at least 0.95), and the console's time with its
# default threads beside it.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "$1")
work="$build/bench/extract"
mkdir -p "$work"

# The console program is only needed here, so `make test` never builds it.
arch=$("$top/tools/test-arch.sh")
cross=$arch-w64-mingw32
console="$top/deps/build/7zip-console-$arch/7za.exe"
if [ ! -f "$console" ]; then
  echo "bench: building the 7-Zip console program (once)"
  start=$(date +%s)
  out="$top/deps/build/7zip-console-$arch"
  rm -rf "$out" && mkdir -p "$out"
  make -s -C "$top/deps/src/7zip/CPP/7zip/Bundles/Alone" -f makefile.gcc -j2 O="$out" \
    IS_MINGW=1 MSYSTEM=1 DISABLE_RAR=1 CFLAGS_WARN_WALL= \
    CC=$cross-gcc-posix CXX=$cross-g++-posix RC=$cross-windres >/dev/null
  echo "bench: console program built in $(($(date +%s) - start)) s"
fi

# The package: compressible text in many small and some large files, plus
# incompressible data, about 200 MB unpacked. Made once per build tree.
package="$work/package.7z"
if [ ! -f "$package" ]; then
  echo "bench: making the 200 MB package (once)"
  src="$work/src"
  rm -rf "$src" && mkdir -p "$src"
  python3 "$top/tools/bench/package-files.py" "$src" 7 2000 40 19000 30 15 4
  (cd "$src" && 7zz a -bd -bso0 -t7z -mx=3 -mmt=2 "$package.tmp" docs data)
  mv "$package.tmp" "$package"
  rm -rf "$src"
fi

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

now() { date +%s.%N; }

# run_console [SWITCH...]: the console program's time for the package.
run_console() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start
  start=$(now)
  wine "$console" x -y -bso0 -bsp0 "$@" "-o$(winpath "$work/out")" "$(winpath "$package")" >/dev/null
  python3 -c "print($(now) - $start)"
}

# run_extractor [durable]: ExtractTo's time for the package, with every file
# flushed to the medium as the update does when "durable" is given.
run_extractor() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  local start
  start=$(now)
  wine "$build/tests/bin/extract_bench.exe" "$(winpath "$package")" "$(winpath "$work/out")" "$@" >/dev/null
  python3 -c "print($(now) - $start)"
}

# Alternate the two, twice each, and keep each one's best time.
console_times=()
threaded_times=()
extractor_times=()
durable_times=()
for round in 1 2; do
  console_times+=("$(run_console -mmt=1)")
  threaded_times+=("$(run_console)")
  extractor_times+=("$(run_extractor)")
  durable_times+=("$(run_extractor durable)")
done
rm -rf "$work/out"
python3 - "${console_times[*]}" "${extractor_times[*]}" "${threaded_times[*]}" "${durable_times[*]}" <<'PY'
import sys
console, extractor, threaded, durable = (min(float(t) for t in arg.split()) for arg in sys.argv[1:5])
print(f"extract: ExtractTo {extractor:.2f} s, 7-Zip console on one thread {console:.2f} s: "
      f"throughput ratio {console / extractor:.3f} (target >= 0.95); "
      f"the console on its default threads {threaded:.2f} s ({threaded / extractor:.3f})")
print(f"extract: durable, as the update unpacks (every file flushed to the medium) {durable:.2f} s: "
      f"the flush costs {durable - extractor:.2f} s ({durable / extractor:.3f} of ExtractTo alone)")
PY
