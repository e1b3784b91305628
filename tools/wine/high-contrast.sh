#!/usr/bin/env bash
# Puts the system colours of a High Contrast scheme (yellow words on black,
# links in cyan) into the build tree's Wine prefix, or takes them out again.
#   high-contrast.sh BUILD on|off
# "on" keeps the prefix's colours first; "off" puts them back. Programs
# started afterwards take the colours; the High Contrast setting itself is
# VORN_TEST_HIGH_CONTRAST=on for the program, since Wine reports High
# Contrast off whatever its registry holds.
set -euo pipefail
build=$(cd "$1" && pwd) mode=$2
here=$(cd "$(dirname "$0")" && pwd)
key='HKCU\Control Panel\Colors'
saved=$build/wineprefix-colours.reg
reg() { "$here/wine-run.sh" --build "$build" reg "$@" >/dev/null 2>&1; }
case $mode in
  on)
    [ -f "$saved" ] || reg export "$key" "Z:${saved//\//\\}" /y
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
    reg delete "$key" /f || true
    reg import "Z:${saved//\//\\}"
    rm -f "$saved"
    ;;
  *) echo "usage: high-contrast.sh BUILD on|off" >&2; exit 2 ;;
esac
