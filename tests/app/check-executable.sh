#!/usr/bin/env bash
# check-executable.sh EXE: the shipped launcher is a 32-bit GUI program that
# asks for administrator rights, imports no DLL that Windows would look for
# beside it (only known system DLLs), delay-loads the others through stubs
# that work before their first call, and carries the skin package.
set -euo pipefail
exe=$1
fail() { echo "check-executable: $*" >&2; exit 1; }
headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -q 'Magic.*010b' <<<"$headers" || fail "not a PE32 (32-bit) image"
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "not the GUI subsystem"
# Windows resolves the import table before the program's first line runs,
# looking in the program's own directory first for a DLL that is not a known
# DLL (one of the KnownDLLs of every Windows from 7 to 11). Every other system
# DLL (version, wininet, urlmon, gdiplus, msimg32, msftedit, comctl32...) is
# delay-loaded or loaded by full path from the system directory.
known='^(kernel32|user32|gdi32|imm32|advapi32|shell32|shlwapi|ole32|oleaut32|msvcrt|comdlg32|rpcrt4|ws2_32|setupapi|psapi)\.dll$'
system='^(msimg32|gdiplus|comctl32|urlmon|wininet|version|msftedit|riched20)\.dll$'
# COM's DLLs serve only the update road; delay-loaded, the start that finds no
# update does without them.
com='^(ole32|oleaut32)\.dll$'
while read -r dll; do
  grep -qiE "$com" <<<"$dll" && fail "imports $dll at start; only the update road needs it (delay-load it)"
  grep -qiE "$known" <<<"$dll" && continue
  grep -qiE "$system" <<<"$dll" && fail "imports $dll, which is not a known DLL: a copy beside the program would be loaded"
  fail "imports $dll, which is not part of Windows"
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
# The delay-loaded DLLs: one descriptor each, every import slot pointing at
# its load stub (check-delay-loads.py says why a slot can be 0).
python3 "$(dirname "$0")/check-delay-loads.py" "$exe" version.dll wininet.dll gdiplus.dll \
  ole32.dll oleaut32.dll || fail "a delay-loaded DLL would not load (above)"
# Read whole before matching: an early-exiting grep would break the pipe.
text=$(strings "$exe")
grep -q 'level="requireAdministrator"' <<<"$text" || fail "the manifest does not ask for administrator rights"
resources=$(i686-w64-mingw32-windres --input "$exe" --output-format=rc 2>/dev/null)
grep -q '^101 "ZIPRES"' <<<"$resources" || fail "no ZIPRES resource 101"
echo "check-executable: $exe is a static 32-bit GUI program asking for administrator rights, importing known DLLs only, delay-loading the others"
