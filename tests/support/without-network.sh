#!/usr/bin/env bash
# without-network.sh COMMAND...: runs COMMAND in a new, empty network
# namespace (not even loopback is up), so that a program built with the
# production service address reaches no host at all. The display, the
# wineserver and the files are shared as before. Exits 77 (ctest's skip code
# for the tests that use it) where no namespace can be made (unshare -n needs
# root or user namespaces).
set -euo pipefail
if ! unshare -n true 2>/dev/null; then
  echo "without-network: cannot make a network namespace here (unshare -n); skipped" >&2
  exit 77
fi
exec unshare -n -- "$@"
