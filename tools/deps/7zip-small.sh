#!/usr/bin/env bash
# The engine of tools/deps/7zip.sh once more for the shipped i686 program,
# compiled for size: -Os, each function and datum in its own section (kept
# apart by the partial link), so that the program's --gc-sections drops what
# the launcher never reaches. Written to its own library name, so that builds
# made against libsevenzip.a stay valid.
set -euo pipefail
[ "$ARCH" = i686 ] || exit 0
out="$PREFIX/lib/libsevenzip-small.a"
[ -f "$out" ] && exit 0
echo "deps: building the 7-Zip engine for size ($ARCH)"
top=$(cd "$(dirname "$0")/../.." && pwd)
build="$DEPS/build/7zip-engine-small"
rm -rf "$build" && mkdir -p "$build"
start=$(date +%s)
make -s -C "$DEPS/src/7zip/CPP/7zip/Bundles/Format7zF" -f "$top/tools/deps/7zip-engine.mak" \
  -j"$(nproc)" O="$build" IS_MINGW=1 MSYSTEM=1 DISABLE_RAR=1 CFLAGS_WARN_WALL= \
  CFLAGS_BASE="-Os -ffunction-sections -fdata-sections -c -DNDEBUG -D_REENTRANT -D_FILE_OFFSET_BITS=64 -D_LARGEFILE_SOURCE" \
  CC=$CROSS-gcc-posix CXX=$CROSS-g++-posix RC=$CROSS-windres \
  engine-objects >/dev/null
rm -f "$out.tmp"
$CROSS-ld -r -o "$build.o" "$build"/*.o
$CROSS-ar rcs "$out.tmp" "$build.o"
mv "$out.tmp" "$out"
echo "deps: 7-Zip engine for size built in $(($(date +%s) - start)) s, $(stat -c %s "$out") bytes"
