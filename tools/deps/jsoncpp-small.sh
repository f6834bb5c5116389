#!/usr/bin/env bash
# JsonCpp of tools/deps/jsoncpp.sh once more for the shipped i686 program,
# compiled for size with each function in its own section, so that the
# program's --gc-sections drops the parts the launcher never calls (which it
# can only where a function has no unwind data: see jsoncpp.patch). Written to
# its own library name (the headers are those of jsoncpp.sh).
set -euo pipefail
[ "$ARCH" = i686 ] || exit 0
out="$PREFIX/lib/libjsoncpp-small.a"
. "$(dirname "$0")/jsoncpp-source.inc"
jsoncpp_built "$out" && exit 0
src=$(jsoncpp_source)
echo "deps: building jsoncpp for size"
build="$DEPS/build/jsoncpp-small"
rm -rf "$build"
cmake -S "$src" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_CXX_FLAGS="-ffunction-sections -fdata-sections -fno-exceptions -fno-asynchronous-unwind-tables -DJSON_USE_EXCEPTION=0 -DJSONCPP_NO_STREAMS" \
  -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON \
  -DBUILD_OBJECT_LIBS=OFF -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
  -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF -DJSONCPP_WITH_CMAKE_PACKAGE=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target jsoncpp_static >/dev/null
cp "$(find "$build" -name 'libjsoncpp.a' | head -1)" "$out.tmp"
mv "$out.tmp" "$out"
