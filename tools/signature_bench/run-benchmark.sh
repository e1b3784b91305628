#!/usr/bin/env bash
# The program's SHA-256 over a 20 MB file beside sha256sum on the same file,
# natively and, when a Windows tree is given, under Wine; and the cost of the
# catalogue's signature check at start-up. The file lives in /dev/shm, so that
# the disk does not blur the comparison.
#   run-benchmark.sh NATIVE_BENCH_TREE [WINDOWS_TREE]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "$1" && pwd)
windows=${2:+$(cd "$2" && pwd)}
work=$(mktemp -d /dev/shm/signature-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

head -c 20000000 /dev/urandom >"$work/firmware.bin"
cp "$here/tools/demo/catalogue.txt" "$work/odd.idx"
key=$(sed -n 's/^VORN_SIGNING_KEY:INTERNAL=//p' "$native/CMakeCache.txt")
# Signed as `publish.py sign` signs; the demo catalogue lists no hashes, which
# that tool would refuse, and only the signature's check is timed here.
openssl dgst -sha256 -sign "$key" -out "$work/odd.idx.sig" "$work/odd.idx"

echo "== native: signature_bench"
"$native/tools/signature_bench/signature_bench" "$work/firmware.bin" "$work/odd.idx" "$work/odd.idx.sig"
echo "== native: sha256sum"
for _ in 1 2 3; do
  start=$(date +%s%N)
  sha256sum "$work/firmware.bin" >/dev/null
  echo "sha256sum  $(( ($(date +%s%N) - start) / 1000000 )) ms"
done
if [ -n "$windows" ]; then
  echo "== Wine: signature_bench.exe (keys of $windows)"
  wkey=$(sed -n 's/^VORN_SIGNING_KEY:INTERNAL=//p' "$windows/CMakeCache.txt")
  openssl dgst -sha256 -sign "$wkey" -out "$work/odd.idx.wsig" "$work/odd.idx"
  "$here/tools/wine/wine-run.sh" --build "$windows" "$windows/tools/signature_bench/signature_bench.exe" \
    "Z:$work/firmware.bin" "Z:$work/odd.idx" "Z:$work/odd.idx.wsig"
fi
