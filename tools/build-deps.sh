#!/usr/bin/env bash
# build-deps.sh [ARCH...]: builds every dependency under deps/ with the MinGW
# toolchain of each ARCH (default i686): each script in tools/deps/ builds one
# library into that architecture's prefix (deps/prefix for i686,
# deps/prefix-ARCH otherwise) and skips itself when its output is there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export DEPS="$top/deps"
for arch in "${@:-i686}"; do
  export ARCH=$arch
  export CROSS=$arch-w64-mingw32
  if [ "$arch" = i686 ]; then export PREFIX="$DEPS/prefix"; else export PREFIX="$DEPS/prefix-$arch"; fi
  export BUILDDIR_SUFFIX=${arch/#i686/}
  export TOOLCHAIN="$top/cmake/mingw-$arch.cmake"
  mkdir -p "$PREFIX/lib" "$PREFIX/include"
  for script in "$top"/tools/deps/*.sh; do
    bash "$script"
  done
done
