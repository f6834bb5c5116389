#!/usr/bin/env bash
# make-packages.sh OUT KEY: the update packages the worker tests download, made
# with the real tools, each signed with the secret key KEY for version 2.1.0.0
# as the maker signs (OUT/NAME.minisig). Runs on Linux before the tests, which
# run under Wine.
set -euo pipefail
out=$1 key=$2
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
# The same with 64 MB of zeros before the failing item: the set-aside file
# exists long enough for a test to take hold of it before the rollback.
head -c 67108864 /dev/zero > halfway/zeros.bin
(cd halfway && zip -q -D "$out/slow-halfway.zip" top.txt zeros.bin blocked/inner.txt)
rm halfway/zeros.bin

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

# A package item that is the set-aside name of another item: "_core.dll" and
# "core.dll". The second copy has a damaged last member (stored, so that a
# flipped byte fails its CRC) and fails after both were written.
mkdir -p collide
printf 'new underscore' > collide/_core.dll
printf 'new core' > collide/core.dll
printf 'DAMAGE-ME-PLEASE' > collide/zlast.txt
(cd collide && zip -q -0 "$out/collide.zip" _core.dll core.dll)
(cd collide && zip -q -0 "$out/collide-damaged.zip" _core.dll core.dll zlast.txt)
/usr/bin/python3 - "$out/collide-damaged.zip" <<'PY'
import sys
path = sys.argv[1]
data = open(path, "rb").read()
assert data.count(b"DAMAGE-ME-PLEASE") == 1
open(path, "wb").write(data.replace(b"DAMAGE-ME-PLEASE", b"DAMAGE-ME-PLEASx"))
PY

# A member named like a short (8.3) alias: the test writes the alias the
# installation's file system gives VxSpeedUp.exe over the 12 placeholder bytes.
mkdir -p alias
printf 'not the product' > alias/ALIAS___.EXE
(cd alias && zip -q -0 "$out/alias.zip" ALIAS___.EXE)

# A package that ships the launcher's pending-deletion file.
mkdir -p pending
printf 'new top' > pending/top.txt
printf '..\\victim.txt' > pending/temp
(cd pending && zip -q "$out/ships-temp.zip" top.txt temp)

# A 7z difference archive: against the release "base" it drops bin/tool.dll,
# which it carries as a deletion marker (anti-item), and replaces top.txt.
# "blocked/inner.txt" (no directory item) makes the second copy fail when the
# installation holds a file "blocked".
mkdir -p anti/v1/bin anti/v2/bin anti/v2/blocked
printf 'old tool' > anti/v1/bin/tool.dll
printf 'old core' > anti/v1/bin/core.dll
printf 'old core' > anti/v2/bin/core.dll
printf 'new top' > anti/v2/top.txt
printf 'never' > anti/v2/blocked/inner.txt
(cd anti/v1 && 7zz a -bd -bso0 -t7z ../base.7z bin)
cp anti/base.7z anti/base2.7z
(cd anti/v2 && 7zz u -bd -bso0 ../base.7z -u- '-up0q3r2x2y2z0w2!'"$out/drops-tool.7z" top.txt bin)
(cd anti/v2 && 7zz u -bd -bso0 ../base2.7z -u- '-up0q3r2x2y2z0w2!'"$out/drops-tool-blocked.7z" top.txt bin blocked/inner.txt)

# Directory items that cannot be created when the installation holds a file
# "a": "a/b/" alone (no item "a"), after top.txt.
mkdir -p dirs/a/b
printf 'new top' > dirs/top.txt
(cd dirs && zip -q "$out/blocked-directory.zip" top.txt a/b/)

# Info-ZIP keeps Unix modes: a read-only member written before the failure,
# which the rollback must remove. No directory entries (-D).
mkdir -p rohalf/docs rohalf/blocked
printf 'new top' > rohalf/top.txt
printf 'read only' > rohalf/docs/readonly.txt
chmod 444 rohalf/docs/readonly.txt
printf 'never' > rohalf/blocked/inner.txt
(cd rohalf && zip -q -D "$out/readonly-halfway.zip" top.txt docs/readonly.txt blocked/inner.txt)
chmod -R u+w rohalf

# Many files for the kill test: replaces the product, top.txt, bin/core.dll
# and docs/f000.bin-f004.bin, adds bin/extra.dll, a Chinese name and 55 more
# files of 128 KiB, stored, so that the unpacking lasts long enough to be cut.
mkdir -p many/bin many/docs
printf 'new product' > many/VxSpeedUp.exe
printf 'new top' > many/top.txt
printf 'new core' > many/bin/core.dll
printf 'new extra' > many/bin/extra.dll
printf '新的说明' > many/docs/更新说明.txt
for i in $(seq -w 0 59); do head -c 131072 /dev/urandom > "many/docs/f0$i.bin"; done
(cd many && LC_ALL=C.UTF-8 7zz a -bd -bso0 -tzip -mx0 "$out/many.zip" VxSpeedUp.exe top.txt bin/core.dll \
  bin/extra.dll docs/更新说明.txt docs/f0*.bin)

# Nesting: "data/cfg.ini" and then "data" itself, as a file. Both are set
# aside, the directory after the file inside it, so that undoing has to put
# the directory back first. The second copy then fails on "blocked/inner.txt"
# when the installation holds a file "blocked".
/usr/bin/python3 - "$out/nested.zip" "$out/nested-blocked.zip" <<'PY'
import sys, zipfile
for path, blocked in ((sys.argv[1], False), (sys.argv[2], True)):
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("data/cfg.ini", "new cfg")
        z.writestr("data", "new data")
        if blocked:
            z.writestr("blocked/inner.txt", "never")
PY

# Letter case: "_CORE.DLL" is the set-aside name of an installed "core.dll" in
# another case; the second copy has a damaged last member. "BIN/CORE.DLL"
# replaces an installed "bin\core.dll".
mkdir -p case/BIN
printf 'new underscore' > case/_CORE.DLL
printf 'new core' > case/core.dll
printf 'DAMAGE-ME-PLEASE' > case/zlast.txt
printf 'new core' > case/BIN/CORE.DLL
(cd case && zip -q -0 "$out/collide-case.zip" _CORE.DLL core.dll)
(cd case && zip -q -0 "$out/collide-case-damaged.zip" _CORE.DLL core.dll zlast.txt)
(cd case && zip -q -D "$out/upper.zip" BIN/CORE.DLL)
/usr/bin/python3 - "$out/collide-case-damaged.zip" <<'PY'
import sys
path = sys.argv[1]
data = open(path, "rb").read()
assert data.count(b"DAMAGE-ME-PLEASE") == 1
open(path, "wb").write(data.replace(b"DAMAGE-ME-PLEASE", b"DAMAGE-ME-PLEASx"))
PY

# The release with 6 MiB of random bytes, stored: a download of it passes a
# checkpoint of its record (every 4 MiB) before the middle.
mkdir -p big/bin
cp release/top.txt big/top.txt && cp release/bin/core.dll big/bin/core.dll
head -c 6291456 /dev/urandom > big/bin/payload.bin
(cd big && 7zz a -bd -bso0 -t7z -mx0 "$out/big-release.7z" top.txt bin)

# A delta from 2.0.0.0, with other bytes than the full package's so that a
# test tells which one was installed, and one whose installation fails.
mkdir -p delta/bin
printf 'delta top' > delta/top.txt
printf 'delta core' > delta/bin/core.dll
(cd delta && 7zz a -bd -bso0 -t7z "$out/delta_2.1.7z" top.txt bin)
cp "$out/collide-damaged.zip" "$out/delta-damaged.zip"

# Every package signed, as the launcher installs nothing else.
for package in "$out"/*; do
  [ -f "$package" ] || continue
  minisign -S -s "$key" -m "$package" -x "$package.minisig" -t "version 2.1.0.0" </dev/null >/dev/null
done
# The deltas signed as the maker signs them, naming their base; one signed
# for another base besides.
for delta in delta_2.1.7z delta-damaged.zip; do
  minisign -S -s "$key" -m "$out/$delta" -x "$out/$delta.minisig" -t "version 2.1.0.0 from 2.0.0.0" </dev/null >/dev/null
done
minisign -S -s "$key" -m "$out/delta_2.1.7z" -x "$out/delta_2.1.7z.from-1.9.minisig" \
  -t "version 2.1.0.0 from 1.9.0.0" </dev/null >/dev/null
