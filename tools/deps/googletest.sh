#!/usr/bin/env bash
# GoogleTest from Debian's source package, built for Windows ($ARCH).
set -euo pipefail
[ -f "$PREFIX/lib/libgtest.a" ] && exit 0
echo "deps: building googletest"
build="$DEPS/build/googletest${BUILDDIR_SUFFIX:+-$ARCH}"
cmake -S "$DEPS/src/googletest" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
cmake --install "$build" >/dev/null
