#!/usr/bin/env bash
# publish-command.sh PREFIX PUBLISH KEY_DIR: publish.exe as the maker and CI
# run it, under Wine in the build's prefix: three releases made here,
# published twice into fresh folders (the second time from copies elsewhere,
# with other times and a read-only file); minisign itself must verify every
# package with the trusted comment the launcher expects, the two runs must
# hold the same bytes, and a command line or key it cannot use must end it
# with its own exit code and a message naming what to fix. Runs on Linux.
set -euo pipefail
prefix=$1 publish=$2 keys=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() {
  echo "publish-command: $*" >&2
  exit 1
}
run() { "$top/tools/wine-run.sh" "$prefix" "$publish" "$@"; }
win() { echo "Z:${1//\//\\}"; }

mkdir -p "$work/v1/sub" "$work/v2/sub" "$work/v3/new"
printf 'one' >"$work/v1/a.txt"
printf 's' >"$work/v1/sub/x.txt"
printf 'two' >"$work/v2/a.txt"
printf 's' >"$work/v2/sub/x.txt"
printf 'gone in 3' >"$work/v2/old.dll"
printf 'three' >"$work/v3/a.txt"
printf 'n' >"$work/v3/new/n.txt"
head -c 300000 /dev/urandom >"$work/v3/big.bin"
printf 'Notes\n' >"$work/notes.txt"

publish() { # RELEASES OUT
  run --version 3.0.0.0 --release "$(win "$1/v3")" --earlier "1.0.0.0=$(win "$1/v1")" \
    --earlier "2.0.0.0=$(win "$1/v2")" --key "$(win "$keys/maker.key")" --mirror https://cdn.example/t \
    --notes "$(win "$work/notes.txt")" --out "$(win "$work/$2")" >"$work/$2.log" 2>&1 ||
    fail "publishing into $2 failed: $(cat "$work/$2.log")"
}
publish "$work" out
# The same releases built elsewhere at another time: other folders, other
# times, a read-only file; the packages must not tell.
mkdir "$work/elsewhere"
cp -r "$work/v1" "$work/v2" "$work/v3" "$work/elsewhere/"
find "$work/elsewhere" -exec touch -d '2001-02-03 04:05:06' {} +
chmod a-w "$work/elsewhere/v3/a.txt"
publish "$work/elsewhere" again

check() { # FILE COMMENT
  local said
  said=$(minisign -V -p "$keys/maker.pub" -m "$work/out/$1" 2>&1) || fail "minisign refuses $1: $said"
  grep -qxF "Trusted comment: $2" <<<"$said" || fail "$1 is signed with another comment: $said"
}
check Tarvo_3.0.0.0.7z "version 3.0.0.0"
check Tarvo_1.0.0.0_to_3.0.0.0.7z "version 3.0.0.0 from 1.0.0.0"
check Tarvo_2.0.0.0_to_3.0.0.0.7z "version 3.0.0.0 from 2.0.0.0"
[ "$(ls "$work/out" | wc -l)" = 7 ] || fail "the output holds $(ls "$work/out")"
diff -r "$work/out" "$work/again" >/dev/null || fail "two runs over the same releases differ"
python3 - "$work/out/data.json" <<'PY' || fail "data.json does not name the packages"
import json, os, sys
data = json.load(open(sys.argv[1]))
folder = os.path.dirname(sys.argv[1])
assert data["LatestVersion"] == "3.0.0.0" and data["UpdateContent"] == "Notes"
assert data["DownloadUrl"] == "https://cdn.example/t/Tarvo_3.0.0.0.7z" and data["Mirrors"] == []
assert data["Size"] == os.path.getsize(os.path.join(folder, "Tarvo_3.0.0.0.7z"))
assert [d["From"] for d in data["Deltas"]] == ["1.0.0.0", "2.0.0.0"]
for d in data["Deltas"]:
    name = "Tarvo_%s_to_3.0.0.0.7z" % d["From"]
    assert d["DownloadUrl"] == "https://cdn.example/t/" + name
    assert d["Size"] == os.path.getsize(os.path.join(folder, name))
    assert d["Signature"] + "\n" == open(os.path.join(folder, name + ".minisig")).read()
PY

# What the command refuses: exit code, and the message names the fix.
expect() { # CODE TEXT ARGS...
  local code=$1 text=$2 rc=0
  shift 2
  run "$@" >"$work/refused.log" 2>&1 || rc=$?
  [ "$rc" = "$code" ] || fail "exit code $rc, expected $code, for $*: $(cat "$work/refused.log")"
  grep -qF -- "$text" "$work/refused.log" || fail "no \"$text\" for $*: $(cat "$work/refused.log")"
}
expect 2 "--version is missing" --release x
expect 2 "unknown argument --from" --from 1
expect 1 "maker.pub: is no minisign secret key" --version 3.0.0.0 --release "$(win "$work/v3")" \
  --key "$(win "$keys/maker.pub")" --mirror https://cdn.example/t --out "$(win "$work/refused")"
[ ! -e "$work/refused" ] || fail "a refused run left $work/refused"
echo "publish-command: published, verified by minisign, identical twice"
