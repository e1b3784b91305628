#!/usr/bin/env bash
# Runs one Windows program under Wine with the build tree's private prefix
# and the Wine loader of the tree's architecture.
#   wine-run.sh --build <build dir> [--sgio-sim] <program.exe> [args...]
# --sgio-sim preloads the tree's pass-through stand-in
# (<build dir>/tools/sgio-sim/libsgio_sim.so, built for the tree's Wine) into
# the Wine processes of this run: see tools/sgio-sim/install-sgio-sim.sh.
# Uses the display of the running Wine session (wine-session.sh) when there is
# one, otherwise a private Xvfb display for this one run.
set -euo pipefail
[ "${1:-}" = "--build" ] || { echo "usage: wine-run.sh --build DIR [--sgio-sim] PROGRAM [ARGS...]" >&2; exit 2; }
build=$2; shift 2
# The loader alone gets the library (not Xvfb), and passes it on to the
# Wine processes it starts.
loader_env=()
if [ "${1:-}" = "--sgio-sim" ]; then
  shift
  library=$(realpath -m "$build/tools/sgio-sim/libsgio_sim.so")
  [ -f "$library" ] || { echo "wine-run: no $library (build the sgio_sim target)" >&2; exit 1; }
  loader_env=(env "LD_PRELOAD=$library${LD_PRELOAD:+:$LD_PRELOAD}")
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
wine_use_tree "$build"

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
"$here/wine-prefix.sh" "$WINEPREFIX"

session=$build/wine-session
if [ -z "${DISPLAY:-}" ] && [ -f "$session/display" ] && [ -f "$session/xvfb.pid" ] \
   && kill -0 "$(cat "$session/xvfb.pid")" 2>/dev/null; then
  export DISPLAY=$(cat "$session/display")
fi

# The prefix's wineserver, when none runs, is started here without the
# library: Debian starts it through a shell script, which is 64-bit and
# cannot load the 32-bit tree's library (ld.so would say so on every run).
if [ ${#loader_env[@]} -gt 0 ]; then
  "$WINESERVER" -p3 </dev/null >/dev/null 2>&1 || true
fi

if [ -n "${DISPLAY:-}" ]; then
  exec "${loader_env[@]}" "$WINELOADER" "$@"
else
  exec xvfb-run -a -s "-screen 0 1024x768x24" "${loader_env[@]}" "$WINELOADER" "$@"
fi
