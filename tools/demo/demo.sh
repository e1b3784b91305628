#!/usr/bin/env bash
# Runs the program under Wine for a person to see. Without a display it runs
# under Xvfb for a few seconds and leaves a screenshot.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")/.." && pwd)
exe=$build/app/VornUpdate.exe
if [ -n "${DISPLAY:-}" ]; then
  exec "$here/wine/wine-run.sh" --build "$build" "$exe"
fi
shots=$build/demo-screenshots
mkdir -p "$shots"
"$here/wine/wine-session.sh" start "$build" >/dev/null
trap '"$here/wine/wine-session.sh" stop "$build"' EXIT
"$here/wine/wine-run.sh" --build "$build" "$exe" &
pid=$!
sleep 4
DISPLAY=$(cat "$build/wine-session/display") import -window root "$shots/start.png"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "demo: screenshots in $shots"
