#!/usr/bin/env bash
# demo.sh BUILD: runs the launcher's main job in scratch installations under
# Wine: the launcher beside a stand-in product 1.0.0.9, with a pending-deletion
# list left from an earlier update. The launcher is the loopback build
# (tests/bin/launcher_loopback.exe), whose version service and package server
# are local servers started here (tests/net/test_server.py) and stopped at the
# end; each run gets another reply from them, and the demo shows the road the
# launcher took. The windows are real: tests/bin/demo_shot.exe answers them in
# place of a user and saves their pictures in BUILD/demo/shots; with
# DEMO_DOCS=1 in the environment they are copied to docs/ as well (the
# pictures the README shows). The home page goes to a script that prints it.
set -euo pipefail
build=$(realpath "$1")
top=$(cd "$(dirname "$0")/.." && pwd)
base=$(sed -n 's/^LAUNCHER_TEST_PORT_BASE:STRING=//p' "$build/CMakeCache.txt")
https_port=$base
http_port=$((base + 1))
state="$build/demo-servers"

mkdir -p "$build/demo"
# The service signs what it offers with the build's development key, which
# the demo's launcher is built with.
export LAUNCHER_TEST_SIGNING_KEY="$build/update-key/maker.key"
"$top/tests/net/servers.sh" start "$state" "$https_port" "$http_port" "$build/demo"
trap '"$top/tests/net/servers.sh" stop "$state"' EXIT
shots="$build/demo/shots"
rm -rf "$shots" && mkdir -p "$shots"
# The packages: a new product in a 7z of 1.7 MB, and the same package damaged.
bash "$top/tests/ui/make-ui-packages.sh" "$build/demo/ui-packages" "$build/tests/bin/standin_v1_0_1_0.exe"
# Wine's browser launcher runs this instead of a browser.
browser="$build/demo/browser.sh"
printf '#!/bin/sh\necho "$*" >>"%s"\n' "$build/demo/homepage.log" >"$browser" && chmod +x "$browser"
wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$browser" /f >/dev/null 2>&1
echo "demo: version service on https://127.0.0.1:$https_port (self-signed certificate for another.example, expired)"

ask() {
  /usr/bin/python3 -c 'import sys, urllib.request; urllib.request.urlopen(sys.argv[1]).read()' "http://127.0.0.1:$http_port/$1"
}
# serve CASE: the version service's next reply; a CASE starting with "/" offers
# 1.0.0.10 with that package address on the package server.
serve() {
  case "$1" in
    /*) ask "control/offer?http://127.0.0.1:$http_port$1" ;;
    *) ask "control/driver?case=$1" ;;
  esac
}

# run REPLY WHAT [keep|- [SHOT MODE]]: a launcher run against REPLY, in a fresh
# installation of 1.0.0.9 unless "keep" reuses the one there; with SHOT and
# MODE, demo_shot.exe MODE answers the window and saves it as SHOT.png. The
# launcher is the loopback build unless LAUNCHER names another, run through
# the command ISOLATE when set; REPLY "none" asks the servers nothing.
run() {
  local reply=$1 what=$2
  local demo="$build/demo/$(echo "$reply" | tr -c 'a-zA-Z0-9.\n-' _)"
  if [ "${3:-}" != keep ]; then
    rm -rf "$demo" && mkdir -p "$demo"
    cp "${LAUNCHER:-$build/tests/bin/launcher_loopback.exe}" "$demo/launcher.exe"
    cp "$build/tests/bin/standin_v1_0_0_9.exe" "$demo/VxSpeedUp.exe"
    echo x >"$demo/_old.dll"
    printf '_old.dll' >"$demo/temp"
    what="installed 1.0.0.9; the service answers: $what"
  fi
  rm -f "$demo/commandline.txt" "$build/demo/homepage.log"
  [ "$reply" = none ] || serve "$reply"
  echo
  echo "demo: $what"
  set +e
  if [ -n "${5:-}" ]; then
    ${ISOLATE:-} wine "$demo/launcher.exe" &
    local launcher=$!
    wine "$build/tests/bin/demo_shot.exe" "$5" "$(winepath -w "$shots/$4.png")" ||
      echo "demo: no picture of the $4 window"
    wait "$launcher"
  else
    ${ISOLATE:-} wine "$demo/launcher.exe"
  fi
  local code=$?
  set -e
  sleep 1  # the launcher does not wait for the product it starts
  echo "demo: launcher exited with $code; installation now holds: $(cd "$demo" && ls | tr '\n' ' ')"
  if [ -f "$demo/commandline.txt" ]; then
    echo "demo: road taken: the product was started with: $(iconv -f UTF-16LE -t UTF-8 "$demo/commandline.txt")"
  else
    echo "demo: road taken: no product start"
  fi
  [ -f "$build/demo/homepage.log" ] && echo "demo: the home page was opened: $(cat "$build/demo/homepage.log")"
  return 0
}

run driver-equal "Code 0, LatestVersion 1.0.0.9 (current)"
run code7 "Code 7 (the service declines)"
run status404 "HTTP 404 (Get Data Failed!)" - get-data-failed box
# The program users get, with the production service address, where it can
# run (32-bit code): in a network namespace of its own no service answers.
if [ "$("$top/tools/test-arch.sh")" = i686 ]; then
  LAUNCHER="$build/dist/launcher.exe" ISOLATE="$top/tests/support/without-network.sh" \
    run none "nothing: the shipped launcher.exe, no network (Get Data Failed!)" - shipped-get-data-failed box
else
  echo
  echo "demo: the shipped i686 launcher.exe is not run: this machine executes no 32-bit code"
fi
run /slow-files/ui-packages/Tarvo_1.0.0.10.7z "LatestVersion 1.0.0.10, package served slowly (the update)" - update-progress progress
run /pkg-404/Tarvo_1.0.0.10.7z "LatestVersion 1.0.0.10, the package answers 404 (download failure)" - download-failed box
run /files/ui-packages/Tarvo_damaged.7z "LatestVersion 1.0.0.10, a damaged package (unpack failure)" - unpack-failed box
run /slow-files/ui-packages/Tarvo_1.0.0.10.7z "LatestVersion 1.0.0.10; the user closes the window during the download" - confirm-close close

sleep 1
echo
echo "demo: pictures in $shots: $(cd "$shots" && ls | tr '\n' ' ')"
if [ "${DEMO_DOCS:-}" = 1 ]; then
  mkdir -p "$top/docs"
  cp "$shots"/*.png "$top/docs/"
  echo "demo: copied to $top/docs"
fi
