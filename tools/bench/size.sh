#!/usr/bin/env bash
# size.sh BUILD: the size of the shipped i686 launcher.exe (everything linked:
# toolkit, engine subset, JsonCpp, C and C++ runtime) and where its bytes come
# from, summed per component from the linker map of the i686 build
# (BUILD/i686, or BUILD itself when the tests are built for i686).
# Target: at most 2.0 MB, no DLL beside it, no packer.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "$1")
if [ "$("$top/tools/test-arch.sh")" = i686 ]; then ship="$build"; else ship="$build/i686"; fi
if [ ! -f "$ship/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$ship" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" >/dev/null
fi
cmake --build "$ship" -j2 --target launcher >/dev/null
exe="$ship/dist/launcher.exe"
map="$ship/launcher.map"
# The map is written by the link; relink when an older build made no map.
if [ ! -f "$map" ] || [ "$map" -ot "$exe" ]; then
  rm -f "$exe" && cmake --build "$ship" -j2 --target launcher >/dev/null
fi
python3 - "$map" "$exe" "$(ls "$(dirname "$exe")" | grep -ci '\.dll$' || true)" <<'PY'
import os, re, sys
map_path, exe, dlls = sys.argv[1], sys.argv[2], int(sys.argv[3])

def component(origin):
    # origin: "/path/libfoo.a(member.o)", "/path/file.obj", "dll stuff" (the
    # relocations the linker makes), "LONG 0x0" (words the linker script adds)
    m = re.match(r"(.*?)\(([^()]*)\)$", origin)
    path, member = (m.group(1), m.group(2)) if m else (origin, "")
    base = os.path.basename(member if "launcher.dir" in path else path)
    if base.startswith("libsevenzip"): return "7-Zip engine"
    if base.startswith("libjsoncpp"): return "JsonCpp"
    if base.startswith("libsodium"): return "libsodium"
    if base.startswith("libstdc++"): return "C++ runtime (libstdc++)"
    if base in ("libgcc.a", "libgcc_eh.a"): return "libgcc"
    if base in ("libmingwex.a", "libmingw32.a", "libmoldname.a", "libmsvcrt.a", "libpthread.a",
                "libwinpthread.a", "libmingwthrd.a") or re.match(r"crt.*\.o|dllcrt|.*crtbegin|.*crtend", base):
        if base == "libmsvcrt.a" and member.endswith(("h.o", "t.o")) and re.match(r"d\d+", member):
            return "import tables"
        return "C runtime (MinGW)"
    if base == "libduilib.a": return "toolkit (duilib)"
    if base.startswith("liblauncher_ui"): return "update window (launcher/ui)"
    if base.startswith("liblauncher_extract"): return "extraction facade"
    if base.startswith("liblauncher_net"): return "network layer"
    if "skin" in base: return "skin package"
    if base.startswith("liblauncher_fs"): return "installation gate (launcher/fs)"
    if base.startswith("liblauncher_service"): return "version service and product (launcher/service)"
    if base.startswith("liblauncher_update"): return "update (launcher/update)"
    if base.startswith("liblauncher_app") or "launcher.dir" in path: return "top layer (launcher/app)"
    if origin == "dll stuff": return "base relocations"
    if origin.startswith("LONG "): return "linker fill"
    if "delayed_" in path or base.startswith("libdelayed"): return "import tables"
    if base.endswith(".a") and base.startswith("lib"): return "import tables"  # system import libraries
    return "other: " + base

sizes, seen_map = {}, False
pending = None  # section name waiting for its address line
skip = re.compile(r"^\.(debug|zdebug|bss|tbss)|^COMMON$|^/DISCARD/")
for line in open(map_path, errors="replace"):
    if not seen_map:
        seen_map = line.startswith("Linker script and memory map")
        continue
    # Input section lines start with one space; a long section name wraps the
    # rest (address, size, origin) to the next line.
    m = re.match(r"^ (\S+)\s*$", line)
    if m and not line.startswith("  "):
        pending = m.group(1)
        continue
    m = re.match(r"^ (\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.+?)\s*$", line)
    if m:
        name, size, origin = m.group(1), int(m.group(3), 16), m.group(4)
    else:
        m = re.match(r"^\s{16,}0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.+?)\s*$", line)
        if not (m and pending):
            pending = None
            continue
        name, size, origin = pending, int(m.group(2), 16), m.group(3)
    pending = None
    if skip.search(name) or size == 0:
        continue
    sizes[component(origin)] = sizes.get(component(origin), 0) + size

total = os.path.getsize(exe)
mb = lambda n: f"{n / 1e6:.2f} MB"
print("size: launcher.exe by component (linker map, input sections, no .bss):")
for name, size in sorted(sizes.items(), key=lambda kv: -kv[1]):
    print(f"size:   {name:<30} {size:>9,d} bytes")
print(f"size:   {'sum of input sections':<30} {sum(sizes.values()):>9,d} bytes "
      f"(the rest of the file: headers, resources, alignment)")
print(f"size: baseline 2.00 MB (target), figure {mb(total)} ({total:,d} bytes, {dlls} DLL beside it), "
      f"ratio {total / 2.0e6:.3f} (target <= 1.0)")
PY
