#!/usr/bin/env bash
# apt_install_test.sh SCRIPT: runs tools/apt-install.sh against a stand-in
# apt-get on PATH that answers as a mirror in each state of the table, and
# checks the exit status, the apt-get calls made and what the user is told.
set -euo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check WHAT CONDITION...: reports a failed condition
  local what=$1; shift
  if "$@"; then echo "ok:   $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

# The stand-in: every call is logged; MIRROR picks how it answers.
#   synced   every call succeeds
#   mid-sync update fails (an index of the wrong size); an install resolves
#            only with the release's own suite as target
#   broken   update fails, and no install resolves
#   held     update succeeds, and no install resolves
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
echo "$*" >>"$APT_CALLS"
case "$MIRROR:$1" in
  synced:*|held:update) exit 0 ;;
  mid-sync:update|broken:update)
    echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (376004 != 375212). Mirror sync in progress? [IP: 127.0.0.1 80]"
    exit 100 ;;
  mid-sync:install)
    if [[ " $* " == *" -t testcodename "* ]]; then exit 0; fi ;;
esac
echo "E: Unable to correct problems, you have held broken packages."
exit 100
STANDIN
chmod +x "$work/bin/apt-get"
printf 'PRETTY_NAME="Test"\nVERSION_CODENAME=testcodename\n' >"$work/os-release"

# mirror | packages | exit | apt-get calls | text the output must hold (or -)
table=(
  "synced|a b|0|update -qq;install -y -qq --no-install-recommends a b|-"
  "mid-sync|a b|0|update -qq;update -qq;update -qq;install -y -qq --no-install-recommends a b;install -y -qq --no-install-recommends -t testcodename a b|trying again with the release's own suite as target (apt-get install -t testcodename)"
  "broken|a|1|update -qq;update -qq;update -qq;install -y -qq --no-install-recommends a;install -y -qq --no-install-recommends -t testcodename a|you have held broken packages"
  "held|a|1|update -qq;install -y -qq --no-install-recommends a|you have held broken packages"
  "broken||0|update -qq;update -qq;update -qq|going on with the package lists there are"
)
for row in "${table[@]}"; do
  IFS='|' read -r mirror packages want_rc want_calls want_text <<<"$row"
  : >"$work/calls"
  rc=0
  # shellcheck disable=SC2086
  out=$(PATH="$work/bin:$PATH" APT_CALLS="$work/calls" MIRROR=$mirror OS_RELEASE="$work/os-release" \
    APT_RETRY_PAUSE=0 bash "$script" $packages 2>&1) || rc=$?
  calls=$(paste -sd';' "$work/calls")
  check "$mirror [$packages]: exit status $want_rc" [ "$rc" = "$want_rc" ]
  check "$mirror [$packages]: apt-get calls" [ "$calls" = "$want_calls" ]
  [ "$want_text" = - ] || check "$mirror [$packages]: says '$want_text'" grep -qF "$want_text" <<<"$out"
  if [ "$want_rc" = 0 ]; then
    check "$mirror [$packages]: says nothing of a failure" bash -c '! grep -q "failed:" <<<"$1"' _ "$out"
  fi
  if [ "$mirror" = held ]; then
    check "held: no retry line without a failed index" bash -c '! grep -q "trying again" <<<"$1"' _ "$out"
  fi
done
[ "$failures" = 0 ]
