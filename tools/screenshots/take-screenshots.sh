#!/usr/bin/env bash
# Takes a picture of every skinned window (the wizard's skin with each page
# image, the message dialog in both forms, the download window's template),
# in English and in Chinese, on a private Xvfb display with ImageMagick's
# `import`:
#
#   tools/screenshots/take-screenshots.sh build/win [OUT_DIR]
#
# Pictures go to OUT_DIR (default build/win/screenshots) as PNG files.
# Nothing started here stays running.
set -euo pipefail
build=$(cd "$1" && pwd)
out=${2:-$build/screenshots}
here=$(cd "$(dirname "$0")/../.." && pwd)
program=$build/tools/screenshots/skin_screens.exe
[ -x "$program" ] || { echo "build the skin_screens target first" >&2; exit 1; }
mkdir -p "$out"

. "$here/tools/wine/wine-env.sh"
wine_use_tree "$build"
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$here/tools/wine/wine-prefix.sh" "$WINEPREFIX"

work=$(mktemp -d)
xvfb=
cleanup() {
  if [ -n "$xvfb" ]; then
    DISPLAY=$display "$WINESERVER" -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
# A session of this build tree's tests would share the wineserver: use our own.
if [ -f "$build/wine-session/xvfb.pid" ]; then
  echo "a test session of this build tree is running; try again when it ends" >&2
  exit 1
fi

exec 3>"$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
display=":$(head -n1 "$work/displayfd")"

for language in C.UTF-8 zh_TW.UTF-8; do
  mkfifo "$work/in"
  DISPLAY=$display LANG=$language LC_ALL=$language "$WINELOADER" "$program" <"$work/in" >"$work/out" 2>/dev/null &
  pid=$!
  exec 4>"$work/in"
  seen=0
  # Each READY line names a window; take it, then let the program go on.
  while kill -0 "$pid" 2>/dev/null || [ "$(wc -l <"$work/out")" -gt "$seen" ]; do
    if [ "$(wc -l <"$work/out")" -gt "$seen" ]; then
      seen=$((seen + 1))
      read -r tag name x y w h < <(sed -n "${seen}p" "$work/out")
      if [ "$tag" = READY ]; then
        import -display "$display" -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
        echo "$out/$name.png"
      fi
      echo >&4
    else
      sleep 0.1
    fi
  done
  exec 4>&-
  wait "$pid" || true
  rm -f "$work/in" "$work/out"
done
