#!/usr/bin/env bash
# Installs the stand-in WNASPI32.DLL into a Wine prefix and sets programs up
# to use it:
#   install-aspi-sim.sh [--dll PATH] <prefix> <drives file | -> [program.exe ...]
#   install-aspi-sim.sh <build dir>
#     (the same as: <build dir>/wineprefix - VornUpdate.exe)
# - copies the DLL into the prefix's system directory of the DLL's own
#   bitness: a 32-bit DLL into drive_c/windows/syswow64 of a 64-bit prefix
#   (system32 of a 32-bit one), a 64-bit DLL into system32;
# - copies the drives file beside it as wnaspi32.txt, which the DLL reads when
#   VORN_ASPI_DRIVES is not set ("-" keeps the one there);
# - for each program (default VornUpdate.exe) sets, under
#   HKCU\Software\Wine\AppDefaults\<program>, Version = win98 (so the program
#   takes the ASPI side) and DllOverrides\wnaspi32 = native (so Wine loads
#   this DLL rather than its own, which lists no adapters).
# The DLL defaults to the one built beside the prefix (<prefix>/../tools/aspi-sim).
# WINEDLLOVERRIDES=wnaspi32=d at run time makes the load fail instead.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# The system folder, under drive_c/windows, for a DLL of the bitness its PE
# header names (machine 0x8664: x64).
dll_system_folder() {
  local dll=$1 prefix=$2 pe machine
  pe=$(od -An -tu4 -j60 -N4 "$dll" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$dll" | tr -d ' ')
  if [ "$machine" = 8664 ] || [ ! -d "$prefix/drive_c/windows/syswow64" ]; then
    echo system32
  else
    echo syswow64
  fi
}
dll=
if [ "${1:-}" = "--dll" ]; then dll=$2; shift 2; fi
if [ $# -eq 1 ] && [ -f "$1/CMakeCache.txt" ]; then
  set -- "$1/wineprefix" -
fi
[ $# -ge 2 ] || { echo "usage: install-aspi-sim.sh [--dll PATH] PREFIX DRIVES|- [PROGRAM.exe...]
       install-aspi-sim.sh BUILD_DIR" >&2; exit 2; }
prefix=$(realpath -m "$1"); drives=$2; shift 2
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(VornUpdate.exe)
[ -n "$dll" ] || dll=$(dirname "$prefix")/tools/aspi-sim/wnaspi32.dll
[ -f "$dll" ] || { echo "install-aspi-sim: no DLL at $dll (build the wnaspi32 target)" >&2; exit 1; }

"$here/../wine/wine-prefix.sh" "$prefix"
. "$here/../wine/wine-env.sh"
wine_use_prefix "$prefix"
system=$prefix/drive_c/windows/$(dll_system_folder "$dll" "$prefix")
cp "$dll" "$system/wnaspi32.dll"
if [ "$drives" != "-" ]; then
  cp "$drives" "$system/wnaspi32.txt"
fi

export WINEPREFIX=$prefix WINEDEBUG=-all
for program in "${programs[@]}"; do
  key="HKCU\\Software\\Wine\\AppDefaults\\$program"
  "$WINELOADER" reg add "$key" /v Version /d win98 /f >/dev/null
  "$WINELOADER" reg add "$key\\DllOverrides" /v wnaspi32 /d native /f >/dev/null
done
echo "install-aspi-sim: $system/wnaspi32.dll for ${programs[*]}"
