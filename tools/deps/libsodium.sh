#!/usr/bin/env bash
# libsodium from Debian's source package, built for Windows ($ARCH) as a
# static library: the update's signature check (launcher/PackageSignature)
# takes Ed25519 and BLAKE2b-512 from it.
#
# Debian's tree carries no configure script (its packaging regenerates one
# with autoreconf), so the library's C sources are compiled here directly, the
# way its own Visual Studio projects build it: portable C only (no assembly,
# no SIMD variants, whose files compile to nothing without their HAVE_*
# switches), little-endian loads, each function and datum in its own section.
# The archive holds the whole library; a program's --gc-sections link keeps
# only what its calls reach (tools/bench/size.sh shows the share). Without
# unwind tables: the i686 linker keeps every function that has unwind data,
# and C code passes no exception.
set -euo pipefail
out="$PREFIX/lib/libsodium.a"
src="$DEPS/src/libsodium"
build="$DEPS/build/libsodium${BUILDDIR_SUFFIX:+-$ARCH}"
# CONFIGURED=1: the switches configure would have chosen are the ones given here.
cflags=(-Os -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-unwind-tables
  -DNDEBUG -DCONFIGURED=1 -DSODIUM_STATIC=1 -DNATIVE_LITTLE_ENDIAN=1
  -Wno-attributes -Werror=implicit-function-declaration -Werror=int-conversion -Werror=incompatible-pointer-types
  -I"$build/include" -I"$build/include/sodium" -I"$src/src/libsodium/include" -I"$src/src/libsodium/include/sodium")
# Built once per set of flags: the flags are kept beside the library.
stamp="$PREFIX/lib/libsodium.flags"
if [ -f "$out" ] && [ -f "$PREFIX/include/sodium/version.h" ] && [ "$(cat "$stamp" 2>/dev/null)" = "${cflags[*]}" ]; then
  exit 0
fi
[ -d "$src/src/libsodium" ] || {
  echo "deps: no libsodium source in $src; run tools/setup.sh" >&2
  exit 1
}
echo "deps: building libsodium ($ARCH)"
start=$(date +%s)
rm -rf "$build" && mkdir -p "$build/include/sodium" "$build/obj"

# version.h is the one header configure writes; its values come from configure.ac.
version=$(sed -n 's/^AC_INIT(\[libsodium\],\[\([0-9.]*\)\].*/\1/p' "$src/configure.ac")
major=$(sed -n 's/^SODIUM_LIBRARY_VERSION_MAJOR=\([0-9]*\)$/\1/p' "$src/configure.ac")
minor=$(sed -n 's/^SODIUM_LIBRARY_VERSION_MINOR=\([0-9]*\)$/\1/p' "$src/configure.ac")
[ -n "$version" ] && [ -n "$major" ] && [ -n "$minor" ] || {
  echo "deps: cannot read libsodium's version from $src/configure.ac" >&2
  exit 1
}
sed -e "s/@VERSION@/$version/" -e "s/@SODIUM_LIBRARY_VERSION_MAJOR@/$major/" \
  -e "s/@SODIUM_LIBRARY_VERSION_MINOR@/$minor/" -e "s/@SODIUM_LIBRARY_MINIMAL_DEF@//" \
  "$src/src/libsodium/include/sodium/version.h.in" >"$build/include/sodium/version.h"

export CROSS build src
export CFLAGS_LIST="${cflags[*]}"
(cd "$src/src/libsodium" && find . -name '*.c' | sort) |
  xargs -P "$(nproc)" -I{} sh -c '
    object="$build/obj/$(printf %s "{}" | sed "s|^\./||; s|/|_|g; s|\.c$|.o|")"
    $CROSS-gcc-posix $CFLAGS_LIST -c "$src/src/libsodium/{}" -o "$object"' ||
  {
    echo "deps: compiling libsodium failed" >&2
    exit 1
  }

rm -f "$out.tmp"
$CROSS-ar rcs "$out.tmp" "$build"/obj/*.o
mkdir -p "$PREFIX/include/sodium"
cp "$src/src/libsodium/include/sodium.h" "$PREFIX/include/"
cp "$src/src/libsodium/include/sodium/"*.h "$build/include/sodium/version.h" "$PREFIX/include/sodium/"
mv "$out.tmp" "$out"
echo "${cflags[*]}" >"$stamp"
echo "deps: libsodium $version built in $(($(date +%s) - start)) s, $(stat -c %s "$out") bytes"
