#!/usr/bin/env bash
# Builds the zip benchmark in an optimised native tree (build/bench, no
# sanitizers), makes its archives once (about 100 MB in 20 members, and
# 5 000 small members) and runs it once per archive, each in its own process.
# The archives are copied to a scratch folder where the files are written:
# ZIP_BENCH_DIR, else a folder in /dev/shm (memory, so that the disk's load
# from other work does not blur the figures), removed at the end.
#   usage: tests/zip/run_benchmark.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bench=$root/build/bench
[ -f "$bench/CMakeCache.txt" ] || CC=clang CXX=clang++ cmake -S "$root" -B "$bench" \
  -DCMAKE_BUILD_TYPE=Release -DVORN_SANITIZE=OFF -DVORN_FUZZ=OFF >/dev/null
cmake --build "$bench" -j2 --target zip_benchmark >/dev/null
[ -f "$bench/bench-archives/small.zip" ] || /usr/bin/python3 "$root/tests/zip/bench_archives.py" "$bench/bench-archives"
base=${ZIP_BENCH_DIR:-/dev/shm}
[ -d "$base" ] || base=$bench
work=$(mktemp -d "$base/vorn-zip-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
for archive in big small; do
  cp "$bench/bench-archives/$archive.zip" "$work/"
  "$bench/tests/zip/zip_benchmark" "$work/$archive.zip"
  rm -f "$work/$archive.zip"
done
