#!/usr/bin/env bash
# Makes the Wine prefix given as $1 once (about 20 s), then reuses it. The
# prefix's architecture follows the build tree that holds it (wine-env.sh).
# Concurrent callers wait for the one that makes it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
prefix=$1
wine_use_prefix "$prefix"
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.vorn-ready" ]; then
  rm -rf "$prefix"
  # Made in the C locale whatever the caller's, so that every prefix starts
  # alike; Wine adapts it to the locale of each later run.
  WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8 \
    xvfb-run -a "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX=$prefix "$WINESERVER" -w 2>/dev/null || true
  [ -f "$prefix/system.reg" ] || { echo "wine-prefix: could not make $prefix with $WINELOADER" >&2; exit 1; }
  touch "$prefix/.vorn-ready"
fi
# Wine's own faces (Debian's fonts-wine): Marlett draws the caption buttons'
# symbols, which otherwise show as letters; Tahoma is the captions' face.
# This Wine does not look for its faces where the package puts them, but it
# loads every face in the prefix's Fonts folder.
fonts=$prefix/drive_c/windows/Fonts
for face in /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
  [ -e "$face" ] && [ ! -e "$fonts/$(basename "$face")" ] && ln -s "$face" "$fonts/" || true
done
# Our settings (wine-settings.reg, which says why each is there), imported
# once per prefix and again whenever the file changes.
settings=$here/wine-settings.reg
stamp=$prefix/.vorn-settings-$(cksum <"$settings" | cut -d' ' -f1)
if [ ! -f "$stamp" ]; then
  WINEPREFIX=$prefix WINEDEBUG=-all "$WINELOADER" regedit /S "$(echo "Z:$settings" | tr / '\\')" \
    >/dev/null 2>&1 || true
  # Let the wineserver that the call started write the registry and go, so
  # that a session can start its own.
  WINEPREFIX=$prefix timeout 20 "$WINESERVER" -w 2>/dev/null || true
  rm -f "$prefix"/.vorn-settings-* "$prefix/.vorn-unmanaged"
  touch "$stamp"
fi
