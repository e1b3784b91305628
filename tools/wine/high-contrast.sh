#!/usr/bin/env bash
# Turns High Contrast on in the build tree's Wine prefix, with the system
# colours of a High Contrast scheme (yellow words on black, links in cyan),
# or off again.
#   high-contrast.sh BUILD on|off
# "on" keeps the prefix's colours first; "off" puts them back. Programs
# started afterwards take the colours. The setting is the registry value
# Windows keeps it in (Flags of Control Panel\Accessibility\HighContrast);
# Wine itself reports High Contrast off whatever it holds, so the test and
# demo builds of the program read that value themselves.
set -euo pipefail
build=$(cd "$1" && pwd) mode=$2
here=$(cd "$(dirname "$0")" && pwd)
key='HKCU\Control Panel\Colors'
setting='HKCU\Control Panel\Accessibility\HighContrast'
saved=$build/wineprefix-colours.reg
reg() { "$here/wine-run.sh" --build "$build" reg "$@" >/dev/null 2>&1; }
case $mode in
  on)
    [ -f "$saved" ] || reg export "$key" "Z:${saved//\//\\}" /y
    reg add "$setting" /v Flags /d 127 /f
    while read -r name value; do
      reg add "$key" /v "$name" /d "$value" /f
    done <<'COLOURS'
Window 0 0 0
WindowText 255 255 0
WindowFrame 255 255 255
ButtonFace 0 0 0
ButtonText 255 255 0
ButtonShadow 128 128 128
ButtonHilight 255 255 255
ButtonLight 192 192 192
ButtonDkShadow 255 255 255
GrayText 0 255 0
Hilight 128 0 128
HilightText 255 255 255
HotTrackingColor 0 255 255
Menu 0 0 0
MenuText 255 255 0
InfoWindow 0 0 0
InfoText 255 255 0
ActiveTitle 128 0 128
TitleText 255 255 255
InactiveTitle 0 128 0
InactiveTitleText 255 255 255
Background 0 0 0
AppWorkSpace 0 0 0
Scrollbar 0 0 0
COLOURS
    ;;
  off)
    [ -f "$saved" ] || exit 0
    reg delete "$setting" /v Flags /f || true
    reg delete "$key" /f || true
    reg import "Z:${saved//\//\\}"
    rm -f "$saved"
    ;;
  *) echo "usage: high-contrast.sh BUILD on|off" >&2; exit 2 ;;
esac
