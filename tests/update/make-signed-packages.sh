#!/usr/bin/env bash
# make-signed-packages.sh OUT KEY_DIR PACKAGES: the signatures the signed
# update tests offer, made by minisign (and tools/sign-package.sh, the maker's
# tool) with the build's test key KEY_DIR/maker.key, for the release package
# PACKAGES/update_2.1.7z (tests/update/make-packages.sh), offered as version
# 2.1.0.0. Every signature is written to OUT/NAME.sig; the packages served
# beside the release are written below OUT. Runs on Linux before the tests.
set -euo pipefail
out=$1 keys=$2 packages=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$out" && mkdir -p "$out/tampered" "$out/large"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
release="$out/update_2.1.7z"
cp "$packages/update_2.1.7z" "$release"
sign() { minisign -S -s "$keys/maker.key" "$@" </dev/null >/dev/null; }

# Valid: the maker's tool, minisign's default (prehashed) form.
"$top/tools/sign-package.sh" "$release" 2.1.0.0 "$keys/maker.key" >"$out/good.sig" 2>/dev/null
# Valid: the same lines ended by CR LF, as a service on Windows may send them.
sed 's/$/\r/' "$out/good.sig" >"$out/good-crlf.sig"
# Valid: the legacy form (the package itself signed), small enough to be held.
sign -l -m "$release" -x "$out/legacy.sig" -t "version 2.1.0.0"

# Made with another key.
minisign -G -W -f -p "$work/other.pub" -s "$work/other.key" </dev/null >/dev/null
minisign -S -s "$work/other.key" -m "$release" -x "$out/other-key.sig" -t "version 2.1.0.0" </dev/null >/dev/null
# The release with one byte changed, under the release's own name.
cp "$release" "$out/tampered/update_2.1.7z"
python3 - "$out/tampered/update_2.1.7z" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
data[len(data) // 2] ^= 0x01
open(path, "wb").write(bytes(data))
PY
# A signature the maker made for another package.
sign -m "$packages/halfway.zip" -x "$out/other-package.sig" -t "version 2.1.0.0"
# The maker's signature of this package for another version, and the same
# with its trusted comment edited to name the offered one.
sign -m "$release" -x "$out/other-version.sig" -t "version 2.0.0.0"
sed '3s/.*/trusted comment: version 2.1.0.0/' "$out/other-version.sig" >"$out/edited-comment.sig"
# The release signed as a delta from 2.0.0.0: its trusted comment names both.
sign -m "$release" -x "$out/delta.sig" -t "version 2.1.0.0 from 2.0.0.0"
# The maker's signature with a trusted comment that only begins with the version.
sign -m "$release" -x "$out/longer-comment.sig" -t "version 2.1.0.0 beta"

# Not signatures.
printf 'this is no signature' >"$out/garbage.sig"
head -c 150 "$out/good.sig" >"$out/truncated.sig"
# The trusted comment line without its "trusted comment: " prefix.
sed '3s/^trusted comment: //' "$out/good.sig" >"$out/no-comment-prefix.sig"
# The signature line spelled with a character base64 does not have.
sed '2s/^\(.\{8\}\)./\1!/' "$out/good.sig" >"$out/not-base64.sig"
# A valid signature whose untrusted (unsigned) comment makes it longer than
# any signature minisign writes: refused for its size alone.
python3 - "$out/good.sig" "$out/oversized.sig" <<'PY'
import sys
lines = open(sys.argv[1]).read().split("\n")
lines[0] = "untrusted comment: " + "x" * 5000
open(sys.argv[2], "w").write("\n".join(lines))
PY
# A signature of an algorithm minisign does not have ("EE" for "ED").
python3 - "$out/good.sig" "$out/unknown-algorithm.sig" <<'PY'
import base64, sys
lines = open(sys.argv[1]).read().split("\n")
raw = bytearray(base64.b64decode(lines[1]))
raw[1] = ord("E")
lines[1] = base64.b64encode(bytes(raw)).decode()
open(sys.argv[2], "w").write("\n".join(lines))
PY

# A package above the bound for legacy signatures (9 MiB of random data),
# signed in both forms: the prehashed one installs, the legacy one is refused.
mkdir -p "$work/large/bin"
printf 'new top' >"$work/large/top.txt"
head -c 9437184 /dev/urandom >"$work/large/bin/blob.bin"
(cd "$work/large" && 7zz a -bd -bso0 -t7z -mx0 "$out/large/update_2.1.7z" top.txt bin)
sign -m "$out/large/update_2.1.7z" -x "$out/large.sig" -t "version 2.1.0.0"
sign -l -m "$out/large/update_2.1.7z" -x "$out/large-legacy.sig" -t "version 2.1.0.0"

# What each check reads: the public key beside the signatures.
sed -n 2p "$keys/maker.pub" >"$out/maker.pub"
