#!/usr/bin/env bash
# Installs what building and testing the launcher needs on a Debian 12 machine, as root.
# Idempotent: with everything present it only checks and returns.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
deps="$top/deps"
mkdir -p "$deps"

packages=(
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32 wine64 xvfb x11-apps
  libz-mingw-w64-dev libstb-dev googletest
  7zip zip gcab xz-utils python3 openssl fonts-wqy-microhei
  cmake make dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# wine32 is an i386 package: check it under its architecture too.
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' || missing+=(wine32:i386)

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi
# Source packages: enable deb-src on the existing Debian sources file.
src=/etc/apt/sources.list.d/debian.sources
if [ -f "$src" ] && ! grep -q '^Types:.*deb-src' "$src"; then
  sed -i 's/^Types: deb$/Types: deb deb-src/' "$src"
  need_update=1
fi
if [ ${#missing[@]} -gt 0 ] || [ ! -d "$deps/src/jsoncpp" ] || [ ! -d "$deps/src/7zip" ] || [ ! -d "$deps/src/googletest" ]; then
  need_update=1
fi
if [ "$need_update" = 1 ]; then
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Unpack a Debian source package into deps/src/NAME once.
fetch_source() {
  local name=$1 dir=$2
  [ -d "$deps/src/$dir" ] && return 0
  mkdir -p "$deps/src/tmp-$dir"
  (cd "$deps/src/tmp-$dir" && apt-get source -qq "$name" >/dev/null 2>&1)
  local unpacked
  unpacked=$(find "$deps/src/tmp-$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  mv "$unpacked" "$deps/src/$dir"
  rm -rf "$deps/src/tmp-$dir"
}
fetch_source libjsoncpp jsoncpp
fetch_source 7zip 7zip
fetch_source googletest googletest


# The shipped program is i686; the tests are built for the machine's test
# architecture (tools/test-arch.sh), which may be x86_64.
test_arch=$("$top/tools/test-arch.sh")
if [ "$test_arch" = i686 ]; then
  "$top/tools/build-deps.sh" i686
else
  "$top/tools/build-deps.sh" i686 "$test_arch"
fi
