#!/usr/bin/env bash
# Runs the Windows trees' part of `make test` and `make demo`:
#   windows-trees.sh test WIN32_BUILD WIN64_BUILD JOBS
#     the tests of every Windows tree this machine can execute: the 64-bit
#     tree always, the 32-bit tree where the kernel runs 32-bit programs;
#   windows-trees.sh demo WIN32_BUILD WIN64_BUILD JOBS
#     builds and runs the demo with the 64-bit program on the NT line, in
#     English and in Chinese, then with the 32-bit program on the 98 line
#     where this machine runs it (in the caller's language).
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
    echo "windows tests: $reason: the 32-bit Windows tree ($win32) was built, only its tests that need no Wine run (the shipped program's import check); running the 64-bit tree ($win64)"
    trees=("$win64")
  fi
  status=0
  if [ $runs32 = 0 ]; then
    (cd "$win32" && ctest --output-on-failure -L no-wine) || status=1
  fi
  for tree in "${trees[@]}"; do
    (cd "$tree" && ctest --output-on-failure -j"$jobs") || status=1
  done
  exit $status
  ;;
demo)
  make --no-print-directory -C "$here" build-win64
  status=0
  for language in C.UTF-8 zh_TW.UTF-8; do
    echo "demo: the 64-bit program on the NT line ($win64, $language)"
    LANG=$language "$here/tools/demo/demo.sh" "$win64" || status=1
  done
  if [ $runs32 = 1 ]; then
    echo "demo: the 32-bit program on the 98 line ($win32)"
    make --no-print-directory -C "$here" build-win
    "$here/tools/demo/demo.sh" "$win32" || status=1
  else
    echo "demo: no 32-bit program on the 98 line, since $reason"
  fi
  exit $status
  ;;
*)
  echo "usage: windows-trees.sh test|demo WIN32_BUILD WIN64_BUILD JOBS" >&2
  exit 2
  ;;
esac
