#!/usr/bin/env bash
# Installs the stand-in WNASPI32.DLL into a Wine prefix and sets programs up
# to use it:
#   install-aspi-sim.sh [--dll PATH] <prefix> <drives file | -> [program.exe ...]
#   install-aspi-sim.sh <build dir>
#     (the same as: <build dir>/wineprefix - VornUpdate.exe)
# - copies the DLL into the prefix's 32-bit system directory
#   (drive_c/windows/syswow64 in a 64-bit prefix, system32 in a 32-bit one);
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
system=$prefix/drive_c/windows/syswow64
[ -d "$system" ] || system=$prefix/drive_c/windows/system32
cp "$dll" "$system/wnaspi32.dll"
if [ "$drives" != "-" ]; then
  cp "$drives" "$system/wnaspi32.txt"
fi

export WINEPREFIX=$prefix WINEDEBUG=-all
for program in "${programs[@]}"; do
  key="HKCU\\Software\\Wine\\AppDefaults\\$program"
  wine reg add "$key" /v Version /d win98 /f >/dev/null
  wine reg add "$key\\DllOverrides" /v wnaspi32 /d native /f >/dev/null
done
echo "install-aspi-sim: $system/wnaspi32.dll for ${programs[*]}"
