#!/usr/bin/env bash
# demo.sh BUILD: runs the launcher's main job in a scratch installation under
# Wine: the launcher beside a stand-in product, with a pending-deletion list
# left from an earlier update.
set -euo pipefail
build=$1
demo="$build/demo"
rm -rf "$demo" && mkdir -p "$demo"
cp "$build/dist/launcher.exe" "$demo/"
cp "$build/tests/bin/standin_v1_0_0_9.exe" "$demo/VxSpeedUp.exe"
echo x > "$demo/_old.dll"
printf '_old.dll' > "$demo/temp"
echo "demo: installation in $demo"
ls "$demo"
set +e
wine "$demo/launcher.exe"
code=$?
set -e
echo "demo: launcher exited with $code"
ls "$demo"
