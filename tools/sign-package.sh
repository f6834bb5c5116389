#!/usr/bin/env bash
# sign-package.sh PACKAGE VERSION SECRET_KEY: signs the update package PACKAGE
# for the version VERSION with the maker's minisign secret key and prints the
# signature, the value of Data.Signature in the version service's reply, on
# standard output (four lines; put them into the JSON string as they are,
# "\n" between the lines).
#
# The trusted comment is "version VERSION": a launcher built with the maker's
# public key (LAUNCHER_UPDATE_PUBLIC_KEY) installs the package only when the
# reply offers exactly that LatestVersion. The signature is minisign's default,
# prehashed form ("ED"), which the launcher checks without holding the package
# in memory. minisign asks for the key's password on the terminal when the key
# has one.
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 PACKAGE VERSION SECRET_KEY" >&2
  exit 2
fi
package=$1 version=$2 key=$3
command -v minisign >/dev/null || {
  echo "sign-package: minisign is missing (Debian package minisign; tools/setup.sh installs it)" >&2
  exit 1
}
[ -f "$package" ] || {
  echo "sign-package: no package $package" >&2
  exit 1
}
[ -f "$key" ] || {
  echo "sign-package: no secret key $key (minisign -G makes one)" >&2
  exit 1
}
# Four dot-separated decimal parts, as the version reply names versions.
if ! [[ "$version" =~ ^-?[0-9]+\.-?[0-9]+\.-?[0-9]+\.-?[0-9]+$ ]]; then
  echo "sign-package: $version is no version of four parts (1.2.3.4)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# minisign's own messages go to standard error, so that standard output holds
# only the signature.
minisign -S -s "$key" -m "$package" -x "$work/package.minisig" -t "version $version" >&2
cat "$work/package.minisig"
