#!/usr/bin/env bash
# Runs the wizard's window tests: first with nothing listening on the
# program's FTP port (the no-connection cases), then with servers that the
# tests start there in the fixture's fault modes, then with the FTP server
# fixture serving a scratch tree there, in English and then in the Chinese
# (Taiwan) locale. With --versions instead, it runs the program once under
# each Windows version Wine can report to it (win98, winxp, win7, win10; the
# 64-bit program no win98). Everything it starts it stops.
# The tree's line (tools/wine/wine-env.sh wine_line) decides how the program
# reaches the simulated drives: on the 98 line through the stand-in ASPI
# library in the tree's prefix, under the Windows 98 setting; on the NT line
# with the prefix's own Windows version, in BUILD/sgio-prefix, where the test
# gives each device of the drives file a CD-ROM letter and the pass-through
# stand-in answers; its log of the commands that arrived is printed at the end.
# The served trees are published with the maker's tools and the build's test
# key, once with plain stand-in files and once with a real archive.
#   run-wizard-windows.sh [--versions] BUILD TEST_EXE WIZARD_EXE FLASHER_EXE FTP_FIXTURE PORT SIGNING_KEY OTHER_KEY
set -euo pipefail
versions=
if [ "${1:-}" = "--versions" ]; then versions=1; shift; fi
build=$1 test_exe=$2 wizard_exe=$3 flasher_exe=$4 fixture=$5 port=$6 key=$7 other_key=$8
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tools/wine/wine-env.sh"
line=$(wine_line "$build")
wine_args=(--build "$build")
if [ "$line" = nt ]; then
  wine_args+=(--sgio-sim)
  export WINEPREFIX=$build/sgio-prefix VORN_TEST_LINE=nt
fi
scratch=$(mktemp -d "$build/wizard-windows.XXXXXX")
server=
session=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  "$here/tools/wine/high-contrast.sh" "$build" off
  if [ -n "$session" ]; then "$here/tools/wine/wine-session.sh" stop "$build"; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# The test finds the wizard's windows through the Wine session's display and
# wineserver; CTest starts one, a run by hand gets its own.
if ! { [ -f "$build/wine-session/xvfb.pid" ] && kill -0 "$(cat "$build/wine-session/xvfb.pid")" 2>/dev/null; }; then
  "$here/tools/wine/wine-session.sh" start "$build" >/dev/null
  session=1
fi

winpath() { echo "Z:${1//\//\\}"; }

mkdir -p "$scratch/root" "$scratch/files"
# An archive that carries the demo flasher, for the full update: built for
# version 1.30 of QX-1234A, the version the served catalogue lists for it.
# A second one for version 2.05 of QX-9000B, for two updates in one run.
/usr/bin/python3 - "$flasher_exe" "$scratch/files" <<'PY'
import sys, zipfile
for name, flashed in (("update.zip", "QX-1234A 1.30"), ("update9000.zip", "QX-9000B 2.05")):
    with zipfile.ZipFile(sys.argv[2] + "/" + name, "w", zipfile.ZIP_DEFLATED) as out:
        out.writestr("readme.txt", "test firmware\r\n")
        out.writestr("flash.txt", flashed + "\r\n")
        out.write(sys.argv[1], "flash.exe")
PY

publish() {
  /usr/bin/python3 "$here/tools/publish/make_tree.py" --catalogue "$here/tests/wizard/served-catalogue.txt" \
    --unhashed "$here/tests/wizard/served-unhashed.txt" --key "$key" --other-key "$other_key" \
    --out "$scratch/published/$1" "${@:2}"
}
publish plain
# The demo's tree, for the support report.
/usr/bin/python3 "$here/tools/demo/make_ftp_tree.py" --catalogue "$here/tools/demo/catalogue.txt" \
  --flasher "$flasher_exe" --key "$key" --out "$scratch/published/demo" >/dev/null
export VORN_TEST_DEMO_DRIVES=$here/tools/demo/drives.txt
export VORN_TEST_EXPECTED_REPORT=$here/tests/app/expected-report.txt
publish archive --file "pub/VORN/cdrom/a/qx.zip=$scratch/files/update.zip"
publish two-archives --file "pub/VORN/cdrom/a/qx.zip=$scratch/files/update.zip" \
  --file "pub/VORN/cdrom/c/same.zip=$scratch/files/update9000.zip"
# A second file large enough to watch the window during its download.
head -c 300000 /dev/urandom >"$scratch/files/large.zip"
publish large --file "pub/VORN/cdrom/a/qx131.zip=$scratch/files/large.zip"

program=$(basename "$wizard_exe")
if [ "$line" = 98 ]; then
  "$here/tools/aspi-sim/install-aspi-sim.sh" "$build/wineprefix" - "$program" >/dev/null
else
  export VORN_SGIO_LOG=$scratch/sgio.log
fi
export VORN_WIZARD_EXE=$(winpath "$wizard_exe")
export VORN_TEST_FTP_ROOT=$scratch/root
export VORN_TEST_PUBLISHED=$scratch/published
export VORN_TEST_SCRATCH=$scratch/files
export VORN_ASPI_DRIVES=$(winpath "$scratch/drives.txt")
run() { "$here/tools/wine/wine-run.sh" "${wine_args[@]}" "$test_exe" "$@"; }
# The Windows version Wine reports to the wizard (its AppDefaults entry; on
# the NT line "default" takes it out again, leaving the prefix's own).
set_windows_version() {
  local key="HKCU\\Software\\Wine\\AppDefaults\\$program"
  if [ "$1" = default ]; then
    "$here/tools/wine/wine-run.sh" --build "$build" reg delete "$key" /v Version /f >/dev/null 2>&1 || true
  else
    "$here/tools/wine/wine-run.sh" --build "$build" reg add "$key" /v Version /d "$1" /f >/dev/null
  fi
}

status=0
[ -n "${VORN_ONLY_CHINESE:-}$versions" ] || LANG=C.UTF-8 LC_ALL=C.UTF-8 run --gtest_filter='WizardWithoutServerTest.*' || status=1
# Servers that misbehave, each started by the test itself on the port.
[ -n "${VORN_ONLY_CHINESE:-}$versions" ] || VORN_TEST_FTP_PORT=$port LANG=C.UTF-8 LC_ALL=C.UTF-8 \
  /usr/bin/python3 "$fixture" run -- "$here/tools/wine/wine-run.sh" "${wine_args[@]}" "$test_exe" \
  --gtest_filter='WizardNetworkTest.*' || status=1

/usr/bin/python3 "$fixture" serve --root "$scratch/root" --port "$port" \
  --port-file "$scratch/port" >/dev/null 2>&1 &
server=$!
# However long a busy machine takes to start it, while it runs.
for _ in $(seq 600); do [ -s "$scratch/port" ] || ! kill -0 "$server" 2>/dev/null && break; sleep 0.1; done
[ -s "$scratch/port" ] || { echo "the FTP server did not start" >&2; exit 1; }
if [ -n "$versions" ]; then
  if [ "$line" = 98 ]; then all=(win98 winxp win7 win10) usual=win98; else all=(winxp win7 win10) usual=default; fi
  for version in "${all[@]}"; do
    set_windows_version "$version"
    VORN_WINDOWS_VERSION=$version LANG=C.UTF-8 LC_ALL=C.UTF-8 \
      run --gtest_filter='WizardVersionTest.*' || status=1
  done
  set_windows_version "$usual"
  exit $status
fi
[ -n "${VORN_ONLY_CHINESE:-}" ] || LANG=C.UTF-8 LC_ALL=C.UTF-8 run --gtest_filter='WizardWithServerTest.*' || status=1
LANG=zh_TW.UTF-8 LC_ALL=zh_TW.UTF-8 run --gtest_filter='WizardChineseTest.*' || status=1
# High Contrast: a scheme's colours in the prefix while the case runs, in
# both languages.
"$here/tools/wine/high-contrast.sh" "$build" on
for language in C.UTF-8 zh_TW.UTF-8; do
  LANG=$language LC_ALL=$language run --gtest_filter='WizardHighContrastTest.*' || status=1
done
"$here/tools/wine/high-contrast.sh" "$build" off
if [ -f "${VORN_SGIO_LOG:-}" ]; then
  # The commands that reached the drive letters through SG_IO, one of a kind
  # each: INQUIRY (12), TEST UNIT READY (00), START STOP UNIT (1B).
  # The window test writes its devices as 0:T:0 in order, so that T gives
  # the letter: D: for 0:0:0.
  echo "commands that arrived through SG_IO (pass-through stand-in's log, one line of each):"
  grep '^exec ' "$VORN_SGIO_LOG" | sort -u |
    awk '{ split($2, at, ":"); printf "%c: %s\n", 68 + at[2], $0 }'
fi
exit $status
