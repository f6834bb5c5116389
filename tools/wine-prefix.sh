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

wine_prefix_create() {
  wine_prefix_ready && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    wine_prefix_ready && exit 0
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # With Wine's window management on, destroying a visible window takes seconds.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # Chinese text in the skins needs a font with CJK glyphs.
    for face in 'Microsoft YaHei' '微软雅黑' 'SimSun' '宋体'; do
      LC_ALL=C.UTF-8 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
    wineserver -w
    touch "$WINEPREFIX/.launcher-ready"
  ) 9>"$WINEPREFIX.lock"
}
