#!/usr/bin/env bash
# Builds every dependency under deps/ with the MinGW toolchain: each script in
# tools/deps/ builds one library into deps/prefix and skips itself when its
# output is there already.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export DEPS="$top/deps"
export PREFIX="$DEPS/prefix"
export TOOLCHAIN="$top/cmake/mingw-i686.cmake"
mkdir -p "$PREFIX/lib" "$PREFIX/include"
for script in "$top"/tools/deps/*.sh; do
  bash "$script"
done
