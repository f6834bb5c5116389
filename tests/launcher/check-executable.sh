#!/usr/bin/env bash
# check-executable.sh EXE: the shipped launcher is a 32-bit GUI program that
# asks for administrator rights and needs no DLL beside it (only the
# system's own), and carries the skin package.
set -euo pipefail
exe=$1
fail() { echo "check-executable: $*" >&2; exit 1; }
headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -q 'Magic.*010b' <<<"$headers" || fail "not a PE32 (32-bit) image"
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "not the GUI subsystem"
system='^(kernel32|user32|gdi32|msimg32|gdiplus|comctl32|imm32|advapi32|shell32|shlwapi|ole32|oleaut32|urlmon|wininet|version|msvcrt)\.dll$'
while read -r dll; do
  grep -qiE "$system" <<<"$dll" || fail "imports $dll, which is not part of Windows"
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
# Read whole before matching: an early-exiting grep would break the pipe.
text=$(strings "$exe")
grep -q 'level="requireAdministrator"' <<<"$text" || fail "the manifest does not ask for administrator rights"
resources=$(i686-w64-mingw32-windres --input "$exe" --output-format=rc 2>/dev/null)
grep -q '^101 "ZIPRES"' <<<"$resources" || fail "no ZIPRES resource 101"
echo "check-executable: $exe is a static 32-bit GUI program asking for administrator rights"
