# Sourced by the set-up scripts: how a step reports.
#
# fail WHAT HINT [LOG]: reports that WHAT failed (with the last lines of the
# tool's output kept in LOG) and stops.
fail() {
  echo "setup: $1 failed${3:+:}" >&2
  if [ -n "${3:-}" ]; then
    tail -n 40 "$3" | sed 's/^/  | /' >&2
    echo "setup: the whole output is in $3" >&2
  fi
  echo "setup: $2" >&2
  exit 1
}

# step WHAT HINT COMMAND...: runs COMMAND with its output held back, shown only
# when it fails.
step() {
  local what=$1 hint=$2 log rc=0
  shift 2
  log=$(mktemp /tmp/launcher-setup.XXXXXX)
  "$@" >"$log" 2>&1 || rc=$?
  [ "$rc" = 0 ] || fail "$what, exit status $rc," "$hint" "$log"
  rm -f "$log"
}
