#!/usr/bin/env bash
# Runs the Windows trees' part of `make test` and `make demo`:
#   windows-trees.sh test WIN32_BUILD WIN64_BUILD JOBS
#     the tests of every Windows tree this machine can execute: the 64-bit
#     tree always, the 32-bit tree where the kernel runs 32-bit programs;
#   windows-trees.sh demo WIN32_BUILD WIN64_BUILD JOBS
#     builds and runs the demo with the 32-bit program where it runs, else
#     the 64-bit one.
# Whether 32-bit programs run is found by running one (can-run-32bit.sh);
# VORN_NO_32BIT=1 takes the 64-bit-only path on any machine.
set -euo pipefail
action=$1 win32=$2 win64=$3 jobs=$4
here=$(cd "$(dirname "$0")/.." && pwd)

if reason=$("$here/tools/wine/can-run-32bit.sh"); then
  runs32=1
else
  runs32=0
fi

case $action in
test)
  if [ $runs32 = 1 ]; then
    echo "windows tests: both trees, 32-bit ($win32) and 64-bit ($win64)"
    trees=("$win32" "$win64")
  else
    echo "windows tests: $reason: the 32-bit Windows tree ($win32) was built, its tests not run; running the 64-bit tree ($win64)"
    trees=("$win64")
  fi
  status=0
  for tree in "${trees[@]}"; do
    (cd "$tree" && ctest --output-on-failure -j"$jobs") || status=1
  done
  exit $status
  ;;
demo)
  if [ $runs32 = 1 ]; then
    tree=$win32 target=build-win
    echo "demo: the 32-bit program ($tree)"
  else
    tree=$win64 target=build-win64
    echo "demo: the 64-bit program ($tree), since $reason"
  fi
  make --no-print-directory -C "$here" "$target"
  exec "$here/tools/demo/demo.sh" "$tree"
  ;;
*)
  echo "usage: windows-trees.sh test|demo WIN32_BUILD WIN64_BUILD JOBS" >&2
  exit 2
  ;;
esac
