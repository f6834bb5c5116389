#!/usr/bin/env bash
# servers.sh start|stop STATE_DIR HTTPS_PORT HTTP_PORT [FILES_DIR]: starts the scripted
# test servers in the background and waits until they listen, or stops them.
# Run by ctest as the setup and cleanup of the "net_servers" fixture.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
action=$1 dir=$2
pidfile="$dir/server.pid"
case "$action" in
  start)
    [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -rf "$dir" && mkdir -p "$dir"
    # Detached from ctest's output pipe, so that this setup test can end.
    setsid /usr/bin/python3 "$here/test_server.py" "$dir" "$3" "$4" ${5:+"$5"} </dev/null >"$dir/server.log" 2>&1 &
    echo $! >"$pidfile"
    for _ in $(seq 150); do
      [ -f "$dir/ready" ] && exit 0
      kill -0 "$(cat "$pidfile")" 2>/dev/null || break
      sleep 0.1
    done
    echo "servers.sh: the test servers did not start (ports $3, $4 in use?)" >&2
    cat "$dir/server.log" >&2
    exit 1
    ;;
  stop)
    [ -f "$pidfile" ] || exit 0
    pid=$(cat "$pidfile")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    rm -f "$pidfile"
    ;;
esac
