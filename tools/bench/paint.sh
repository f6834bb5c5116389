#!/usr/bin/env bash
# paint.sh BUILD: MainWindow.xml built, laid out and painted into a memory
# bitmap against a copy of the picture, the images decoded per window, and the
# pixels one progress change repaints against the whole client area.
set -euo pipefail
wine "$1/tests/bin/paint_bench.exe"
