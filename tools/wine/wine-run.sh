#!/usr/bin/env bash
# Runs one Windows program under Wine with the build tree's private prefix
# and the Wine loader of the tree's architecture.
#   wine-run.sh --build <build dir> <program.exe> [args...]
# Uses the display of the running Wine session (wine-session.sh) when there is
# one, otherwise a private Xvfb display for this one run.
set -euo pipefail
[ "${1:-}" = "--build" ] || { echo "usage: wine-run.sh --build DIR PROGRAM [ARGS...]" >&2; exit 2; }
build=$2; shift 2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
wine_use_tree "$build"

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
"$here/wine-prefix.sh" "$WINEPREFIX"

session=$build/wine-session
if [ -z "${DISPLAY:-}" ] && [ -f "$session/display" ] && [ -f "$session/xvfb.pid" ] \
   && kill -0 "$(cat "$session/xvfb.pid")" 2>/dev/null; then
  export DISPLAY=$(cat "$session/display")
fi

if [ -n "${DISPLAY:-}" ]; then
  exec "$WINELOADER" "$@"
else
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$WINELOADER" "$@"
fi
