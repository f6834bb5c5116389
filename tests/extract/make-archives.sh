#!/usr/bin/env bash
# make-archives.sh OUT: makes every test package in OUT with the real tools
# (7zz, Info-ZIP zip, gcab, xz) and, where the tools refuse to write such a
# thing, with a short Python script (path traversal). Runs on Linux before the
# extraction tests, which read the packages under Wine.
set -euo pipefail
out=$1
rm -rf "$out" && mkdir -p "$out"
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cd "$work"

# A nested tree with an empty directory.
mkdir -p tree/a/b/c tree/a/empty tree/bin
printf 'top' > tree/top.txt
printf 'deep file' > tree/a/b/c/deep.txt
printf 'core library' > tree/bin/core.dll
printf '中文内容' > tree/a/说明.txt
(cd tree && 7zz a -bd -bso0 -t7z "$out/nested.7z" top.txt a bin)
(cd tree && 7zz a -bd -bso0 -tzip "$out/nested.zip" top.txt a bin)

# An archive with no items: one item added, then deleted again.
printf 'x' > gone.txt
7zz a -bd -bso0 -t7z "$out/empty.7z" gone.txt
7zz d -bd -bso0 "$out/empty.7z" gone.txt

# Password-protected, with readable names and with encrypted names.
(cd tree && 7zz a -bd -bso0 -t7z -psecret "$out/encrypted-data.7z" top.txt bin)
(cd tree && 7zz a -bd -bso0 -t7z -psecret -mhe=on "$out/encrypted-names.7z" top.txt bin)
(cd tree && 7zz a -bd -bso0 -tzip -psecret "$out/encrypted.zip" top.txt)

# Info-ZIP: a directory entry, a read-only file, "/" separated member names.
mkdir -p info/docs/guide
printf 'read me' > info/docs/readonly.txt
chmod 444 info/docs/readonly.txt
printf 'guide' > info/docs/guide/intro.txt
(cd info && zip -q -r "$out/infozip.zip" docs)
(cd info && zip -q -r -D "$out/no-directory-entries.zip" docs)

# Members in a known order, for failures in the middle of an extraction.
mkdir -p order/new
printf 'first' > order/first.txt
printf 'in new dir' > order/new/second.txt
printf 'third' > order/third.txt
printf 'last' > order/last.txt
(cd order && zip -q "$out/ordered.zip" first.txt new/ new/second.txt third.txt last.txt)

# Cabinet.
mkdir -p cab
printf 'cab one' > cab/one.txt
printf 'cab two' > cab/two.txt
(cd cab && gcab -c "$out/package.cab" one.txt two.txt)

# A single lzma stream: the item has no path and no size.
printf 'lzma payload' > payload.txt
xz --format=lzma -c payload.txt > "$out/payload.lzma"

# An LZMA2 stream in four blocks of 1 MB, as 7-Zip writes it on more than one
# thread (each block starts with a dictionary reset).
mkdir -p blocks
python3 -c "import sys; sys.stdout.write(''.join(f'line {i:07d}\n' for i in range(300000)))" > blocks/lines.txt
(cd blocks && 7zz a -bd -bso0 -t7z -m0=LZMA2:d=1m:c=1m -mmt=2 "$out/multi-block.7z" lines.txt)

# Nothing any handler accepts, and a 7z archive cut in half.
head -c 4096 /dev/urandom > "$out/not-an-archive.bin"
size=$(stat -c %s "$out/nested.7z")
head -c $((size / 2)) "$out/nested.7z" > "$out/truncated.7z"

# A 7z archive behind other data, as in a self-extracting program: found only
# by a handler that may search past the start.
{ printf 'stub before the archive\n%.0s' $(seq 40); cat "$out/nested.7z"; } > "$out/prefixed.7z"

# A 7z archive whose packed data is damaged: it opens, but an item fails its check.
cp "$out/nested.7z" "$out/corrupt.7z"
printf '\xff\xff\xff\xff' | dd of="$out/corrupt.7z" bs=1 seek=40 conv=notrunc status=none

# Files that two handlers accept: a 7z or a cabinet with a zip appended.
cat "$out/nested.7z" "$out/ordered.zip" > "$out/7z-then-zip.bin"
zip -q -A "$out/7z-then-zip.bin"
cat "$out/package.cab" "$out/ordered.zip" > "$out/cab-then-zip.bin"

# Item paths that point outside the target directory; the tools refuse to
# write these, so the zip format is written directly.
python3 - "$out" <<'PY'
import sys, zipfile
out = sys.argv[1]
cases = {
    "dotdot.zip": [("ok.txt", b"fine"), ("../evil.txt", b"outside")],
    "dotdot-inner.zip": [("ok.txt", b"fine"), ("sub/../../evil.txt", b"outside")],
    "dotdot-dir.zip": [("ok.txt", b"fine"), ("../evil-dir/", b"")],
    "absolute.zip": [("ok.txt", b"fine"), ("/evil-absolute.txt", b"outside")],
    "drive.zip": [("ok.txt", b"fine"), ("C:/evil-drive.txt", b"outside")],
    "unc.zip": [("ok.txt", b"fine"), ("//server/share/evil.txt", b"outside")],
    "dots.zip": [("ok.txt", b"fine"), (".../evil.txt", b"outside")],
    "wildcard.zip": [("ok.txt", b"fine"), ("*.txt", b"everything")],
    "device.zip": [("ok.txt", b"fine"), ("sub/com1.txt", b"to the serial port")],
    "device-superscript.zip": [("ok.txt", b"fine"), ("lpt\u00b3.log", b"to the printer")],
    "empty-name.zip": [("ok.txt", b"fine"), ("", b"replaces the target")],
    "dot-name.zip": [("ok.txt", b"fine"), ("./", b"")],
}
for name, members in cases.items():
    with zipfile.ZipFile(f"{out}/{name}", "w") as z:
        for member, data in members:
            info = zipfile.ZipInfo("placeholder")
            info.filename = member  # bypass the library's own clean-up
            if member.endswith("/"):
                info.external_attr = 0x10
            z.writestr(info, data)
PY
