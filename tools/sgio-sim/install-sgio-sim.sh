#!/usr/bin/env bash
# Gives simulated drives CD-ROM drive letters in a Wine prefix, for the
# pass-through stand-in (SgioSim.cpp):
#   install-sgio-sim.sh PREFIX DRIVES LETTER=ADDRESS...   (e.g. D=0:0:0 E=0:2:0)
#   install-sgio-sim.sh PREFIX                            (takes them out again)
# For each letter:
# - a marked file PREFIX/sgio-sim/<letter>.drive naming the device at ADDRESS
#   of the drives file DRIVES (by its absolute path: the library reads the
#   file itself, anew whenever it changes);
# - dosdevices/<letter>:: -> that file (the drive's raw device, which Wine
#   opens for \\.\<letter>:), dosdevices/<letter>: -> the empty folder
#   PREFIX/sgio-sim/<letter> (the drive's root);
# - "<letter>:"="cdrom" under HKLM\Software\Wine\Drives.
# Letters that an earlier call made are taken out first. Wine reads the
# drive types when its wineserver starts, so the script ends the prefix's
# wineserver (and with it every Wine process of the prefix). Programs then
# reach the drives when they run with the library preloaded:
#   tools/wine/wine-run.sh --build BUILD --sgio-sim PROGRAM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -eq 1 ] || [ $# -ge 3 ] || { echo "usage: install-sgio-sim.sh PREFIX [DRIVES LETTER=ADDRESS...]" >&2; exit 2; }
prefix=$(realpath -m "$1")
sim=$prefix/sgio-sim
drives=
[ $# -eq 1 ] || drives=$(realpath "$2")
shift $(( $# == 1 ? 1 : 2 ))

"$here/../wine/wine-prefix.sh" "$prefix"
. "$here/../wine/wine-env.sh"
wine_use_prefix "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all
key='HKLM\Software\Wine\Drives'

for link in "$prefix"/dosdevices/?::; do
  [ -L "$link" ] || continue
  case $(readlink "$link") in
    "$sim"/*)
      letter=$(basename "$link" ::)
      rm -f "$link" "$prefix/dosdevices/$letter:"
      "$WINELOADER" reg delete "$key" /v "$letter:" /f >/dev/null 2>&1 || true ;;
  esac
done
rm -rf "$sim"

for pair in "$@"; do
  letter=$(echo "${pair%%=*}" | tr 'A-Z' 'a-z')
  address=${pair#*=}
  [[ $letter =~ ^[a-y]$ && $address =~ ^[0-9]+:[0-9]+:[0-9]+$ ]] \
    || { echo "install-sgio-sim: expected LETTER=ADAPTER:TARGET:LUN, not $pair" >&2; exit 2; }
  mkdir -p "$sim/$letter"
  echo "vorn-sim-drive $address $drives" >"$sim/$letter.drive"
  ln -sfn "$sim/$letter.drive" "$prefix/dosdevices/$letter::"
  ln -sfn "$sim/$letter" "$prefix/dosdevices/$letter:"
  "$WINELOADER" reg add "$key" /v "$letter:" /d cdrom /f >/dev/null
done
"$WINESERVER" -k 2>/dev/null && "$WINESERVER" -w 2>/dev/null || true
echo "install-sgio-sim: ${*:-no drives} in $prefix"
