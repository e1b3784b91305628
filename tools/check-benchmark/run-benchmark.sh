#!/usr/bin/env bash
# Serves a signed tree on the build's FTP port (loopback), gives the shipped
# program the demo's simulated drives (on the tree's line: see
# tools/wine/wine-env.sh wine_line), and runs check_benchmark: /check's wall
# time beside the catalogue fetch alone, in one run. Everything it starts it
# stops.
#   run-benchmark.sh BUILD [RUNS]        (BUILD: build/win64 or build/win)
set -euo pipefail
build=$(cd "$1" && pwd) runs=${2:-7}
here=$(cd "$(dirname "$0")/../.." && pwd)
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
program=$(cache VORN_SHIPPED_PROGRAM) port=$(cache VORN_FTP_PORT) key=$(cache VORN_SIGNING_KEY)
flasher=$build/tools/flasher/flasher.exe
scratch=$(mktemp -d "$build/check-benchmark.XXXXXX")
server= session=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  if [ -n "$session" ]; then "$here/tools/wine/wine-session.sh" stop "$build"; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

/usr/bin/python3 "$here/tools/demo/make_ftp_tree.py" --catalogue "$here/tools/demo/catalogue.txt" \
  --flasher "$flasher" --key "$key" --out "$scratch/tree" >/dev/null
. "$here/tools/wine/wine-env.sh"
wine_args=(--build "$build")
if [ "$(wine_line "$build")" = 98 ]; then
  "$here/tools/aspi-sim/install-aspi-sim.sh" "$build/wineprefix" "$here/tools/demo/drives.txt" \
    "$(basename "$program")" >/dev/null
else
  cp "$here/tools/demo/drives.txt" "$scratch/drives.txt"
  export WINEPREFIX=$build/sgio-prefix
  "$here/tools/sgio-sim/install-sgio-sim.sh" "$build" "$WINEPREFIX" "$scratch/drives.txt" >/dev/null
  wine_args+=(--sgio-sim)
fi
/usr/bin/python3 "$here/tools/ftp-server/ftp_fixture.py" serve --root "$scratch/tree" --port "$port" \
  --port-file "$scratch/port" >/dev/null 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$scratch/port" ] && break; sleep 0.1; done
[ -s "$scratch/port" ] || { echo "the FTP server did not start" >&2; exit 1; }
if ! { [ -f "$build/wine-session/xvfb.pid" ] && kill -0 "$(cat "$build/wine-session/xvfb.pid")" 2>/dev/null; }; then
  "$here/tools/wine/wine-session.sh" start "$build" >/dev/null
  session=1
fi
winpath() { echo "Z:${1//\//\\}"; }
"$here/tools/wine/wine-run.sh" "${wine_args[@]}" "$build/tools/check-benchmark/check_benchmark.exe" \
  "$(winpath "$program")" "$(winpath "$scratch/check.log")" "$runs"
