#!/usr/bin/env bash
# Gives the simulated drives of a drives file CD-ROM drive letters in a Wine
# prefix, for the pass-through stand-in (SgioSim.cpp): the prefix set-up of
# every run on the NT line, tests and demo alike.
#   install-sgio-sim.sh BUILD PREFIX DRIVES
# Each device the drives file lists gets a letter, in the file's order from
# D: on; CD-ROM letters after them are taken away (the tree's sim_letters.exe,
# SimLetters.h, through Wine's mount manager, while the prefix runs: no
# wineserver restart). The letters' marked files lie in the folder
# sim-letters beside the drives file, which the library reads anew whenever
# it changes. Programs reach the drives when they run with the library
# preloaded:
#   WINEPREFIX=PREFIX tools/wine/wine-run.sh --build BUILD --sgio-sim PROGRAM
# Give the drives a prefix of their own (BUILD/sgio-prefix): letters in the
# tree's prefix would change what every other test finds there.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: install-sgio-sim.sh BUILD PREFIX DRIVES" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd) prefix=$(realpath -m "$2") drives=$(realpath "$3")
tool=$build/tools/sgio-sim/sim_letters.exe
[ -f "$tool" ] || { echo "install-sgio-sim: no $tool (build the sim_letters target)" >&2; exit 1; }
letters=$(WINEPREFIX=$prefix "$here/../wine/wine-run.sh" --build "$build" --sgio-sim "$tool" "Z:${drives//\//\\}" \
  | tr -d '\r')
case $letters in error:*) echo "install-sgio-sim: $letters" >&2; exit 1 ;; esac
echo "install-sgio-sim: ${letters:-no letters} in $prefix"
