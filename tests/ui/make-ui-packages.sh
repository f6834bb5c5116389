#!/usr/bin/env bash
# make-ui-packages.sh OUT NEW_PRODUCT: the update packages the update window's
# end-to-end tests download, made with the real tools. Tarvo_1.0.0.10.7z holds
# a new product (NEW_PRODUCT, the stand-in that reports 1.0.1.0), a replaced
# top.txt, a replaced and a new file with Chinese names (语言\简体中文.txt,
# 数据 目录\新 文件.txt) and 1.5 MB of incompressible data, so that a trickled
# download shows its progress; Tarvo_damaged.7z is the same package with its
# packed data overwritten half-way, which opens and lists its items but cannot
# be unpacked.
#
# With KEY (make-ui-packages.sh OUT NEW_PRODUCT KEY, a minisign secret key)
# the maker's signatures for the signed launcher come too, made with
# tools/sign-package.sh: Tarvo_1.0.0.10.7z.sig for the offered version
# 1.0.0.10, and Tarvo_1.0.0.10.7z.old.sig, a genuine signature of the same
# package for 1.0.0.9, which must not pass as 1.0.0.10.
set -euo pipefail
# 7zz takes the item names from the file names in the locale's encoding.
export LC_ALL=C.UTF-8
out=$1 product=$2 key=${3:-}
rm -rf "$out" && mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/release/data" "$work/release/语言" "$work/release/数据 目录"
cp "$product" "$work/release/VxSpeedUp.exe"
printf 'new top' >"$work/release/top.txt"
printf 'new 简体中文' >"$work/release/语言/简体中文.txt"
printf 'new 新文件' >"$work/release/数据 目录/新 文件.txt"
head -c 1500000 /dev/urandom >"$work/release/data/big.bin"
(cd "$work/release" && 7zz a -bd -bso0 -t7z "$out/Tarvo_1.0.0.10.7z" VxSpeedUp.exe top.txt 语言 "数据 目录" data)
cp "$out/Tarvo_1.0.0.10.7z" "$out/Tarvo_damaged.7z"
size=$(stat -c %s "$out/Tarvo_damaged.7z")
head -c 4096 /dev/zero | dd of="$out/Tarvo_damaged.7z" bs=1 seek=$((size / 3)) conv=notrunc status=none
7zz l "$out/Tarvo_damaged.7z" >/dev/null
if 7zz t "$out/Tarvo_damaged.7z" >/dev/null 2>&1; then echo "make-ui-packages: the damage went unnoticed" >&2; exit 1; fi
if [ -n "$key" ]; then
  sign=$(cd "$(dirname "$0")/../.." && pwd)/tools/sign-package.sh
  "$sign" "$out/Tarvo_1.0.0.10.7z" 1.0.0.10 "$key" >"$out/Tarvo_1.0.0.10.7z.sig" 2>/dev/null
  "$sign" "$out/Tarvo_1.0.0.10.7z" 1.0.0.9 "$key" >"$out/Tarvo_1.0.0.10.7z.old.sig" 2>/dev/null
fi
