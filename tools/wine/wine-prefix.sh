#!/usr/bin/env bash
# Makes the Wine prefix given as $1 once (about 20 s), then reuses it.
# Concurrent callers wait for the one that makes it.
set -euo pipefail
prefix=$1
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.vorn-ready" ]; then
  rm -rf "$prefix"
  WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    xvfb-run -a wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
  [ -f "$prefix/system.reg" ] || { echo "wine-prefix: could not make $prefix" >&2; exit 1; }
  touch "$prefix/.vorn-ready"
fi
# Xvfb has no window manager, and Wine waits two seconds for one to confirm
# that each managed window was unmapped: every closed dialog would cost that.
# Unmanaged windows close at once.
if [ ! -f "$prefix/.vorn-unmanaged" ]; then
  WINEPREFIX=$prefix WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\X11 Driver' \
    /v Managed /d N /f >/dev/null 2>&1 || true
  # Let the wineserver that the call started write the registry and go, so
  # that a session can start its own.
  WINEPREFIX=$prefix timeout 20 wineserver -w 2>/dev/null || true
  touch "$prefix/.vorn-unmanaged"
fi
