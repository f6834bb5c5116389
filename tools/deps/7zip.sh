#!/usr/bin/env bash
# The 7-Zip engine from Debian's 7zip source (RAR disabled, as Debian builds
# it), compiled for i686 Windows with the source's own gcc makefiles. Only the
# handlers and codecs the launcher needs (tools/deps/7zip-engine.mak) are
# built; they are partially linked into one object inside libsevenzip.a, so
# that linking CreateObject brings every handler's registration with it.
set -euo pipefail
out="$PREFIX/lib/libsevenzip.a"
[ -f "$out" ] && exit 0
echo "deps: building the 7-Zip engine"
top=$(cd "$(dirname "$0")/../.." && pwd)
build="$DEPS/build/7zip-engine"
rm -rf "$build" && mkdir -p "$build"
start=$(date +%s)
make -s -C "$DEPS/src/7zip/CPP/7zip/Bundles/Format7zF" -f "$top/tools/deps/7zip-engine.mak" \
  -j"$(nproc)" O="$build" IS_MINGW=1 MSYSTEM=1 DISABLE_RAR=1 CFLAGS_WARN_WALL= \
  CC=i686-w64-mingw32-gcc-posix CXX=i686-w64-mingw32-g++-posix RC=i686-w64-mingw32-windres \
  engine-objects >/dev/null
i686-w64-mingw32-ld -r -o "$build.o" "$build"/*.o
rm -f "$out.tmp"
i686-w64-mingw32-ar rcs "$out.tmp" "$build.o"
mv "$out.tmp" "$out"
echo "deps: 7-Zip engine built in $(($(date +%s) - start)) s, $(stat -c %s "$out") bytes"
