#!/usr/bin/env bash
# enable_deb_src_test.sh SCRIPT: runs tools/enable-deb-src.sh on a copy of
# input/ (both forms of apt sources) and compares every file with expected/,
# byte for byte; then runs it again and checks that nothing changes.
set -euo pipefail
script=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check WHAT CONDITION...: reports a failed condition
  local what=$1; shift
  if "$@"; then echo "ok:   $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

cp -a "$here/input" "$work/apt"
first=$(bash "$script" "$work/apt")
check "first run gives the expected files" diff -r "$here/expected" "$work/apt"
check "first run names the files it changed" \
  [ "$(sort <<<"$first")" = "$(printf '%s\n' "$work/apt/sources.list" \
    "$work/apt/sources.list.d/debian.sources" "$work/apt/sources.list.d/vendor.list" | sort)" ]

cp -a "$work/apt" "$work/after-first"
stamps() { find "$work/apt" -type f -printf '%P %i %T@\n' | sort; }
before=$(stamps)
second=$(bash "$script" "$work/apt")
check "second run names no file" [ -z "$second" ]
check "second run leaves every file byte-identical" diff -r "$work/after-first" "$work/apt"
check "second run rewrites no file" [ "$before" = "$(stamps)" ]

rc=0; message=$(bash "$script" "$work/none" 2>&1) || rc=$?
check "a missing directory fails" [ "$rc" = 1 ]
check "a missing directory is named" grep -qF "$work/none is not a directory" <<<"$message"
[ "$failures" = 0 ]
