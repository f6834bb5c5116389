#!/usr/bin/env bash
# demo.sh BUILD: runs the launcher's main job in scratch installations under
# Wine: the launcher beside a stand-in product 1.0.0.9, with a pending-deletion
# list left from an earlier update. The launcher is the loopback build
# (tests/bin/launcher_loopback.exe), whose version service is a local HTTPS
# server started here (tests/net/test_server.py) and stopped at the end; each
# run gets another reply from it, and the demo shows the road the launcher took.
set -euo pipefail
build=$(realpath "$1")
top=$(cd "$(dirname "$0")/.." && pwd)
base=$(sed -n 's/^LAUNCHER_TEST_PORT_BASE:STRING=//p' "$build/CMakeCache.txt")
https_port=$base
http_port=$((base + 1))
state="$build/demo-servers"

mkdir -p "$build/demo"
"$top/tests/net/servers.sh" start "$state" "$https_port" "$http_port" "$build/demo"
trap '"$top/tests/net/servers.sh" stop "$state"' EXIT
echo "demo: version service on https://127.0.0.1:$https_port (self-signed certificate for another.example, expired)"

serve() {
  /usr/bin/python3 -c 'import sys, urllib.request; print(urllib.request.urlopen(sys.argv[1]).read().decode())' \
    "http://127.0.0.1:$http_port/control/driver?case=$1" >/dev/null
}

# run REPLY WHAT [keep]: a launcher run against REPLY, in a fresh installation
# of 1.0.0.9 unless "keep" reuses the one there.
run() {
  local reply=$1 what=$2
  local demo="$build/demo/$reply"
  if [ "${3:-}" != keep ]; then
    rm -rf "$demo" && mkdir -p "$demo"
    cp "$build/tests/bin/launcher_loopback.exe" "$demo/launcher.exe"
    cp "$build/tests/bin/standin_v1_0_0_9.exe" "$demo/VxSpeedUp.exe"
    echo x >"$demo/_old.dll"
    printf '_old.dll' >"$demo/temp"
    what="installed 1.0.0.9; the service answers: $what"
  fi
  rm -f "$demo/commandline.txt"
  serve "$reply"
  echo
  echo "demo: $what"
  set +e
  wine "$demo/launcher.exe"
  local code=$?
  set -e
  sleep 1  # the launcher does not wait for the product it starts
  echo "demo: launcher exited with $code; installation now holds: $(cd "$demo" && ls | tr '\n' ' ')"
  if [ -f "$demo/commandline.txt" ]; then
    echo "demo: road taken: the product was started with: $(iconv -f UTF-16LE -t UTF-8 "$demo/commandline.txt")"
  else
    echo "demo: road taken: no product start (update window or failure message, whose windows are not built yet)"
  fi
}

run driver-equal "Code 0, LatestVersion 1.0.0.9 (current)"
run code7 "Code 7 (the service declines)"
run driver-newer "Code 0, LatestVersion 1.0.0.10 (newer)"
run status404 "HTTP 404 (Get Data Failed!)"

# The update road, carried out the way the update window carries it out: the
# worker downloads a package made here with 7zz, sets aside the files it
# replaces, unpacks it and deletes it. Afterwards the launcher finds the
# product current and starts it.
demo="$build/demo/driver-newer"
release="$build/demo/release"
rm -rf "$release" "$build/demo/package" && mkdir -p "$release/bin" "$build/demo/package"
cp "$build/tests/bin/standin_v1_0_1_0.exe" "$release/VxSpeedUp.exe"
printf 'accelerator core 1.0.1.0' >"$release/bin/core.dll"
(cd "$release" && 7zz a -bd -bso0 -t7z "$build/demo/package/Tarvo_1.0.1.0.7z" VxSpeedUp.exe bin)
echo
echo "demo: updating $demo from http://127.0.0.1:$http_port/files/package/Tarvo_1.0.1.0.7z"
wine "$build/tests/bin/update_demo.exe" "$(winepath -w "$demo")" "http://127.0.0.1:$http_port/files/package/Tarvo_1.0.1.0.7z" |
  grep -v '^Extract\|^Dir\|^File\|^AllDone' || true
echo "demo: installation now holds: $(cd "$demo" && find . -type f | sort | tr '\n' ' ')"
run driver-newer "after the update the service still answers LatestVersion 1.0.0.10" keep
