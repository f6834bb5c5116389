#!/usr/bin/env bash
# message_box.sh BUILD: the message box's creation to first completed paint
# against a plain window, and the pixels copied for one button hover change
# against a whole-window copy.
set -euo pipefail
wine "$1/tests/bin/message_box_bench.exe"
