#!/usr/bin/env bash
# make-packages.sh OUT: the update packages the worker tests download, made
# with the real tools. Runs on Linux before the tests, which run under Wine.
set -euo pipefail
out=$1
rm -rf "$out" && mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# A new release: replaces two installed files, adds a file and a directory.
mkdir -p release/bin release/docs
printf 'new top' > release/top.txt
printf 'new core' > release/bin/core.dll
printf 'brand new' > release/bin/extra.dll
printf '更新说明' > release/docs/readme.txt
(cd release && 7zz a -bd -bso0 -t7z "$out/update_2.1.7z" top.txt bin docs)

# Writes top.txt, then needs the directory "blocked", which the installation
# holds as a file: the extraction fails half-way. No directory entries (-D).
mkdir -p halfway/blocked
printf 'new top' > halfway/top.txt
printf 'never' > halfway/blocked/inner.txt
(cd halfway && zip -q -D "$out/halfway.zip" top.txt blocked/inner.txt)

# A bare lzma stream: one item without a name.
printf 'lzma content' > content.bin
xz --format=lzma -c content.bin > "$out/content.lzma"

# Reaches out of the installation. The tools refuse to write such a name.
/usr/bin/python3 - "$out/escape.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("top.txt", "new top")
    z.writestr("../escaped.txt", "outside")
PY
