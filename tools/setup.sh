#!/usr/bin/env bash
# Installs what building and testing the launcher needs on a Debian 12 machine, as root.
# Idempotent: with everything present it only checks and returns.
# Quiet when a step succeeds; a step that fails stops the set-up with what
# failed, the tool's own message and what to do.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
deps="$top/deps"
mkdir -p "$deps"

packages=(
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32 wine64 xvfb x11-apps
  libz-mingw-w64-dev libstb-dev googletest
  7zip zip gcab xz-utils python3 openssl fonts-wqy-microhei minisign
  cmake make dpkg-dev patch
)
# Debian source package and the folder under deps/src/ it is unpacked into.
sources=(libjsoncpp:jsoncpp 7zip:7zip googletest:googletest libsodium:libsodium)

. "$top/tools/setup-steps.sh"

command -v apt-get >/dev/null && command -v dpkg-query >/dev/null ||
  fail "finding apt-get and dpkg-query" "this set-up runs on Debian 12; install the packages listed in tools/setup.sh by hand elsewhere."

# apt's folder of package sources, normally /etc/apt/ (asking apt honours APT_CONFIG).
apt_dir=/etc/apt/
eval "$(apt-config shell apt_dir Dir::Etc/d)"

# One query for every package (a process per package costs a second on a busy
# machine): dpkg-query lists each known one and exits non-zero when any is
# unknown, which only means missing. wine32 is an i386 package: it is checked
# under its architecture too.
declare -A present
while read -r name state; do
  if [ "$state" = "install ok installed" ]; then present[$name]=1 present[${name%%:*}]=1; fi
done < <(dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' "${packages[@]}" wine32:i386 2>/dev/null || true)
missing=()
for p in "${packages[@]}" wine32:i386; do
  [ -n "${present[$p]:-}" ] || missing+=("$p")
done

missing_sources=()
for s in "${sources[@]}"; do
  [ -d "$deps/src/${s#*:}" ] || missing_sources+=("$s")
done
add_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || add_i386=1

# The shipped program is i686; the tests are built for the machine's test
# architecture (tools/test-arch.sh), which is x86_64 where 32-bit code cannot run.
build_deps() {
  local arches=(i686)
  [ "$("$top/tools/test-arch.sh")" = i686 ] || arches+=("$("$top/tools/test-arch.sh")")
  "$top/tools/build-deps.sh" "${arches[@]}" ||
    fail "building the libraries under deps/ (tools/build-deps.sh)" \
      "the message above says why; once mended, run the command again (it rebuilds what is not finished)."
}
if [ ${#missing[@]} -eq 0 ] && [ ${#missing_sources[@]} -eq 0 ] && [ "$add_i386" = 0 ]; then
  build_deps
  exit 0
fi

if [ "$(id -u)" != 0 ]; then
  echo "setup: missing, and only root can add them:" >&2
  [ ${#missing[@]} -eq 0 ] || echo "  packages: ${missing[*]}" >&2
  [ "$add_i386" = 0 ] || echo "  the i386 architecture (for wine32)" >&2
  [ ${#missing_sources[@]} -eq 0 ] || echo "  source packages: ${missing_sources[*]%%:*}" >&2
  echo "setup: run the command again as root." >&2
  exit 1
fi

if [ "$add_i386" = 1 ]; then
  step "adding the i386 architecture (dpkg --add-architecture i386)" \
    "Wine's 32-bit packages need it; run 'dpkg --add-architecture i386' by hand to see why it fails." \
    dpkg --add-architecture i386
fi
if [ ${#missing_sources[@]} -gt 0 ]; then
  # apt-get source needs deb-src entries beside the deb ones, in whichever
  # form this machine keeps its package sources.
  changed=$("$top/tools/enable-deb-src.sh" "$apt_dir") ||
    fail "enabling source packages in $apt_dir (tools/enable-deb-src.sh)" \
      "add a deb-src entry for each deb entry in ${apt_dir}sources.list or ${apt_dir}sources.list.d/ by hand, then run the command again."
  [ -z "$changed" ] || echo "setup: enabled source packages in" $changed
fi
# The lists are refreshed even when only source packages are missing.
"$top/tools/apt-install.sh" "${missing[@]}"

# Unpacks a Debian source package into deps/src/DIR.
fetch_source() {
  local name=$1 dir=$2 tmp="$deps/src/tmp-$2" unpacked
  rm -rf "$tmp" && mkdir -p "$tmp"
  echo "setup: fetching the source package $name"
  (cd "$tmp" && step "fetching the source package $name (apt-get source $name)" \
    "apt-get source needs deb-src entries in $apt_dir (tools/enable-deb-src.sh adds them) and a fresh 'apt-get update'." \
    apt-get source -qq "$name")
  unpacked=$(find "$tmp" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$unpacked" ] || fail "unpacking the source package $name" "apt-get source left no folder in $tmp; dpkg-source (dpkg-dev) unpacks it."
  mv "$unpacked" "$deps/src/$dir"
  rm -rf "$tmp"
}
for s in "${missing_sources[@]}"; do
  fetch_source "${s%%:*}" "${s#*:}"
done

build_deps
