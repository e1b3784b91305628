#!/usr/bin/env bash
# Starts or stops the Wine session of a test run: one Xvfb display and one
# persistent wineserver, so that each test program starts quickly. The stop
# ends exactly the processes the start made.
#   wine-session.sh start|stop <build dir>
set -euo pipefail
action=$1; build=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
wine_use_tree "$build"
session=$build/wine-session
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all

stop() {
  if [ -f "$session/xvfb.pid" ]; then
    "$WINESERVER" -k 2>/dev/null || true
    kill "$(cat "$session/xvfb.pid")" 2>/dev/null || true
  fi
  rm -rf "$session"
}

case $action in
start)
  stop
  "$here/wine-prefix.sh" "$WINEPREFIX"
  # A wineserver left by an earlier short-lived call (wine reg, wineboot)
  # lingers a few seconds; a persistent one cannot start until it is gone.
  timeout 20 "$WINESERVER" -w 2>/dev/null || true
  mkdir -p "$session"
  exec 3>"$session/displayfd"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  echo $! >"$session/xvfb.pid"
  for _ in $(seq 100); do
    [ -s "$session/displayfd" ] && break
    sleep 0.1
  done
  [ -s "$session/displayfd" ] || { echo "wine-session: Xvfb did not start" >&2; stop; exit 1; }
  echo ":$(head -n1 "$session/displayfd")" >"$session/display"
  DISPLAY=$(cat "$session/display") "$WINESERVER" -p 60 </dev/null >/dev/null 2>&1 3>&-
  # Start Wine's own background processes now, detached from any test's
  # output, so that the tests' programs only attach to them.
  DISPLAY=$(cat "$session/display") WINEDLLOVERRIDES="mscoree,mshtml=" \
    "$WINELOADER" wineboot </dev/null >/dev/null 2>&1 3>&- || true
  echo "wine-session: display $(cat "$session/display")"
  ;;
stop)
  stop
  ;;
*)
  echo "usage: wine-session.sh start|stop BUILD_DIR" >&2; exit 2 ;;
esac
