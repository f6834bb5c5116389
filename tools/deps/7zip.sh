#!/usr/bin/env bash
# The 7-Zip engine from Debian's 7zip source (RAR disabled, as Debian builds
# it), compiled for Windows ($ARCH) with the source's own gcc makefiles. Only the
# handlers and codecs the launcher needs (tools/deps/7zip-engine.mak) are
# built; they are partially linked into one object inside libsevenzip.a, so
# that linking CreateObject brings every handler's registration with it.
set -euo pipefail
out="$PREFIX/lib/libsevenzip.a"
[ -f "$out" ] && exit 0
echo "deps: building the 7-Zip engine ($ARCH)"
top=$(cd "$(dirname "$0")/../.." && pwd)
build="$DEPS/build/7zip-engine${BUILDDIR_SUFFIX:+-$ARCH}"
rm -rf "$build" && mkdir -p "$build"
start=$(date +%s)
make -s -C "$DEPS/src/7zip/CPP/7zip/Bundles/Format7zF" -f "$top/tools/deps/7zip-engine.mak" \
  -j"$(nproc)" O="$build" IS_MINGW=1 MSYSTEM=1 DISABLE_RAR=1 CFLAGS_WARN_WALL= \
  CC=$CROSS-gcc-posix CXX=$CROSS-g++-posix RC=$CROSS-windres \
  engine-objects >/dev/null
rm -f "$out.tmp"
if [ "$ARCH" = i686 ]; then
  $CROSS-ld -r -o "$build.o" "$build"/*.o
  $CROSS-ar rcs "$out.tmp" "$build.o"
else
  # A partial link of x86_64 PE objects leaves unwind data pointing at
  # discarded duplicate sections; the test build links the plain objects
  # whole instead (launcher/extract/CMakeLists.txt).
  $CROSS-ar rcs "$out.tmp" "$build"/*.o
fi
mv "$out.tmp" "$out"
echo "deps: 7-Zip engine built in $(($(date +%s) - start)) s, $(stat -c %s "$out") bytes"
