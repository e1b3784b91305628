#!/usr/bin/env bash
# Builds the zip benchmark in an optimised native tree (build/bench, no
# sanitizers), makes its archives once (about 100 MB in 20 members, and
# 5 000 small members) and runs it.  usage: tests/zip/run_benchmark.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bench=$root/build/bench
[ -f "$bench/CMakeCache.txt" ] || CC=clang CXX=clang++ cmake -S "$root" -B "$bench" \
  -DCMAKE_BUILD_TYPE=Release -DVORN_SANITIZE=OFF -DVORN_FUZZ=OFF >/dev/null
cmake --build "$bench" -j2 --target zip_benchmark >/dev/null
[ -f "$bench/bench-archives/small.zip" ] || /usr/bin/python3 "$root/tests/zip/bench_archives.py" "$bench/bench-archives"
"$bench/tests/zip/zip_benchmark" "$bench/bench-archives/big.zip" "$bench/bench-archives/small.zip"
