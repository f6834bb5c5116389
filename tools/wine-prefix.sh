#!/usr/bin/env bash
# Sourced by the Wine scripts: sets the environment for the build's own Wine
# prefix and creates that prefix once (wineboot plus the few settings the
# tests rely on). Needs WINEPREFIX set by the caller. The prefix is 32-bit,
# like the shipped program, unless this machine cannot execute 32-bit code
# (tools/test-arch.sh): then the tests are 64-bit programs in a 64-bit prefix.
if [ "$("$(dirname "${BASH_SOURCE[0]}")/test-arch.sh")" = x86_64 ]; then
  export WINEARCH=win64
  case ":$PATH:" in
    *":$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64-shim:"*) ;;
    *) export PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64-shim:$PATH" ;;
  esac
else
  export WINEARCH=win32
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=${LANG:-C.UTF-8}

wine_prefix_ready() { [ -f "$WINEPREFIX/.launcher-ready" ]; }

# wine_prefix_step COMMAND...: runs one step of the prefix's creation with its
# output held back; when it fails, says what failed, Wine's own message and
# what to do, and stops.
wine_prefix_step() {
  local log rc=0
  log=$(mktemp /tmp/wine-prefix.XXXXXX)
  "$@" >"$log" 2>&1 || rc=$?
  if [ "$rc" != 0 ]; then
    echo "wine-prefix: creating the Wine prefix $WINEPREFIX failed at '$*' (exit status $rc):" >&2
    tail -n 20 "$log" | sed 's/^/  | /' >&2
    if grep -q 'Exec format error' "$log"; then
      echo "wine-prefix: this machine runs no 32-bit programs (IA-32 emulation is off in its kernel): build the tests for x86_64 (LAUNCHER_ARCH=x86_64; tools/test-arch.sh)." >&2
    else
      echo "wine-prefix: check that wine and wine32:i386 are installed (tools/setup.sh installs them), then run again." >&2
    fi
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
}

wine_prefix_create() {
  wine_prefix_ready && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    wine_prefix_ready && exit 0
    rm -rf "$WINEPREFIX"
    wine_prefix_step wineboot -i
    # With Wine's window management on, destroying a visible window takes seconds.
    wine_prefix_step wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    # Chinese text in the skins needs a font with CJK glyphs.
    for face in 'Microsoft YaHei' '微软雅黑' 'SimSun' '宋体'; do
      LC_ALL=C.UTF-8 wine_prefix_step wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f
    done
    wineserver -w
    touch "$WINEPREFIX/.launcher-ready"
  ) 9>"$WINEPREFIX.lock"
}
