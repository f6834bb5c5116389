#!/usr/bin/env bash
# markup.sh BUILD: parse time of each skin against a memcpy of the same bytes.
set -euo pipefail
wine "$1/tests/bin/markup_bench.exe"
