#!/usr/bin/env bash
# JsonCpp from Debian's source package, with jsoncpp.patch and without
# exceptions or streams (as the launcher uses it), built for Windows ($ARCH)
# as a static library.
set -euo pipefail
. "$(dirname "$0")/jsoncpp-source.inc"
jsoncpp_built "$PREFIX/lib/libjsoncpp.a" && exit 0
src=$(jsoncpp_source)
echo "deps: building jsoncpp"
build="$DEPS/build/jsoncpp${BUILDDIR_SUFFIX:+-$ARCH}"
rm -rf "$build"
cmake -S "$src" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="-fno-exceptions -DJSON_USE_EXCEPTION=0 -DJSONCPP_NO_STREAMS" \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON \
  -DBUILD_OBJECT_LIBS=OFF -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
  -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF -DJSONCPP_WITH_CMAKE_PACKAGE=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
cmake --install "$build" >/dev/null
