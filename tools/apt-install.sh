#!/usr/bin/env bash
# apt-install.sh PACKAGE...: refreshes apt's package lists and installs the
# PACKAGEs (none: only the refresh), as root. Exits 0 when they are installed;
# otherwise prints what failed with apt's own message and exits 1.
#
# A mirror being synchronised answers some index files with the wrong size
# for a while (apt-get update then exits 100). The refresh is tried three
# times; after that it goes on with the lists there are. When an index was
# left out, the install may then fail to resolve ("held broken packages"):
# the amd64 libraries have newer candidates in a suite (the security one)
# whose i386 twins were in the index that failed, and multi-arch needs both
# at one version. The install is then tried once more with the release's own
# suite as the target (-t CODENAME, from /etc/os-release), which resolves the
# same set from indexes that were read whole.
#
# Environment, for the tests: OS_RELEASE (default /etc/os-release),
# APT_RETRY_PAUSE seconds between refreshes (default 10).
set -euo pipefail
. "$(dirname "$0")/setup-steps.sh"

update_log=$(mktemp /tmp/launcher-setup.XXXXXX)
updated=0
for attempt in 1 2 3; do
  if apt-get update -qq >"$update_log" 2>&1; then updated=1; break; fi
  [ "$attempt" = 3 ] || sleep "${APT_RETRY_PAUSE:-10}"
done
if [ "$updated" = 0 ]; then
  echo "setup: apt-get update failed three times; going on with the package lists there are:" >&2
  tail -n 5 "$update_log" | sed 's/^/  | /' >&2
fi
rm -f "$update_log"
[ $# -gt 0 ] || exit 0

echo "setup: installing $*"
install() {
  env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"
}
hint="apt's message above says why; when dpkg was interrupted run 'dpkg --configure -a', then run the command again."
install_log=$(mktemp /tmp/launcher-setup.XXXXXX)
rc=0
install "$@" >"$install_log" 2>&1 || rc=$?
if [ "$rc" != 0 ] && [ "$updated" = 0 ]; then
  codename=$(. "${OS_RELEASE:-/etc/os-release}" 2>/dev/null && echo "${VERSION_CODENAME:-}") || codename=
  if [ -n "$codename" ]; then
    echo "setup: the install did not resolve with an index left out; trying again with the release's own suite as target (apt-get install -t $codename)" >&2
    rc=0
    install -t "$codename" "$@" >"$install_log" 2>&1 || rc=$?
  fi
fi
[ "$rc" = 0 ] || fail "installing packages (apt-get install), exit status $rc," "$hint" "$install_log"
rm -f "$install_log"
