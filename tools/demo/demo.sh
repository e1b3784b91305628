#!/usr/bin/env bash
# The demo: the whole wizard under Wine against local stand-ins. It serves a
# demo catalogue and demo firmware archives (each carrying the demo flasher)
# from a local FTP server on the program's port, gives Wine two simulated
# drives of the maker and one of another maker and runs the wizard: on the
# tree's line (tools/wine/wine-env.sh wine_line), the 98 line through the
# ASPI stand-in under the Windows 98 setting, or the NT line on the CD-ROM
# letters D:, E:, F: through SCSI pass-through (in BUILD/sgio-prefix, with
# the pass-through stand-in preloaded). After the wizard the program waits for the demo flasher,
# reads the drives again and says whether the update took; the run without a
# display then writes the support report (/report) and keeps it with the
# history of updates in the demo's folder. Two more runs take the update
# from the other sources: the "firmware" folder beside the program with no
# server running, and the HTTP mirror (lighttpd) with the FTP port closed.
#
#   demo.sh BUILD_DIR
#
# With a display, a person clicks through it; saved files go where the person
# chooses. Without one, the walk-through runs by itself on a private Xvfb
# display and writes a picture of every page to a folder named at the end.
# LANG=zh_TW.UTF-8 gives the Chinese run. Nothing started here stays running.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
# The shipped program, as the build tree made it in shipped/.
wizard=$(sed -n 's/^VORN_SHIPPED_PROGRAM:INTERNAL=//p' "$build/CMakeCache.txt")
driver=$build/tools/uidriver/uidrive.exe
flasher=$build/tools/flasher/flasher.exe
port=$(sed -n 's/^VORN_FTP_PORT:STRING=//p' "$build/CMakeCache.txt")
http_port=$(sed -n 's|^VORN_HTTP_MIRROR:STRING=http://[^:/]*:\([0-9]*\)/.*|\1|p' "$build/CMakeCache.txt")
# The key pair the build made for itself: the program trusts its public half.
key=$(sed -n 's/^VORN_SIGNING_KEY:INTERNAL=//p' "$build/CMakeCache.txt")
[ -n "$key" ] || { echo "demo: $build was configured without its own key pair (VORN_CATALOGUE_KEYS)" >&2; exit 1; }
. "$here/tools/wine/wine-env.sh"
line=$(wine_line "$build")
wine_args=(--build "$build")
[ "$line" = 98 ] || wine_args+=(--sgio-sim)
language=${LANG:-C.UTF-8}
case $language in zh_TW*) tag=zh_TW ;; *) tag=en ;; esac

demo=$build/demo-$tag
rm -rf "$demo"
mkdir -p "$demo/downloads"
server=
session=
# The folder beside the program that the program takes as its source.
source_folder=$(dirname "$wizard")/firmware
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  "$here/tools/wine/high-contrast.sh" "$build" off
  rm -rf "$source_folder"
  if [ -n "$session" ]; then "$here/tools/wine/wine-session.sh" stop "$build" >/dev/null; fi
}
trap cleanup EXIT
trap 'echo "demo: failed at line $LINENO: $BASH_COMMAND" >&2' ERR

winpath() { echo "Z:${1//\//\\}"; }

# The served tree, stamped and signed as the maker publishes it, and the drives.
/usr/bin/python3 "$here/tools/demo/make_ftp_tree.py" --catalogue "$here/tools/demo/catalogue.txt" \
  --flasher "$flasher" --key "$key" --out "$demo/ftp" >/dev/null
# The drives: the demo's file, or the lines on stdin with "-"; on the NT line
# each device gets its letter.
use_drives() {
  if [ "$1" = - ]; then cat >"$demo/drives.txt"; else cp "$1" "$demo/drives.txt"; fi
  [ "$line" = 98 ] || "$here/tools/sgio-sim/install-sgio-sim.sh" "$build" "$WINEPREFIX" "$demo/drives.txt" >/dev/null
}
# The history of updates: beside the program under the Windows 98 setting,
# in the user's application data on the NT line. Each demo starts without one.
if [ "$line" = 98 ]; then
  history=$(dirname "$wizard")/UpdateHistory.txt
  "$here/tools/aspi-sim/install-aspi-sim.sh" "$build/wineprefix" - "$(basename "$wizard")" >/dev/null
  export VORN_ASPI_LOG=$(winpath "$demo/aspi.log")
else
  export WINEPREFIX=$build/sgio-prefix VORN_SGIO_LOG=$demo/sgio.log  # read by the Linux library
  history=$WINEPREFIX/drive_c/users/${USER:-root}/AppData/Roaming/VORN/UpdateHistory.txt
fi
rm -f "$history"
use_drives "$here/tools/demo/drives.txt"
export VORN_ASPI_DRIVES=$(winpath "$demo/drives.txt")
export VORN_FLASHER_LOG=$(winpath "$demo/flasher.log")
# Wine takes the user's language from the locale variables of the process
# that starts it, LC_ALL first.
export LANG=$language LC_ALL=$language

# Serves the demo's tree: the FTP server, or with "http" the HTTP mirror
# (lighttpd, at about 100 KB a second so that the download can be seen).
start_server() {
  rm -f "$demo/port"
  if [ "${1:-}" = http ]; then
    /usr/bin/python3 "$here/tools/http-server/http_fixture.py" serve --root "$demo/ftp" --port "$http_port" \
      --mode lighttpd=100 --port-file "$demo/port" >/dev/null 2>"$demo/http-server.log" &
  else
    /usr/bin/python3 "$here/tools/ftp-server/ftp_fixture.py" serve --root "$demo/ftp" --port "$port" \
      --port-file "$demo/port" >/dev/null 2>"$demo/ftp-server.log" &
  fi
  server=$!
  for _ in $(seq 100); do [ -s "$demo/port" ] && return 0; sleep 0.1; done
  echo "demo: the ${1:-FTP} server did not start on port $(cat "$demo/port" 2>/dev/null || echo "$port") (is another one running?)" >&2
  exit 1
}
stop_server() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  server=
}

start_server
echo "demo: FTP server on 127.0.0.1:$port serving $demo/ftp"

if [ -n "${DISPLAY:-}" ]; then
  echo "demo: the wizard is open ($tag); its save dialog opens in $(winpath "$demo/downloads")"
  (cd "$demo/downloads" && "$here/tools/wine/wine-run.sh" "${wine_args[@]}" "$wizard") || true
  echo "demo: the flasher's record of its runs: $demo/flasher.log"
  exit 0
fi

shots=$demo/screenshots
mkdir -p "$shots"
"$here/tools/wine/wine-session.sh" start "$build" >/dev/null
session=1
display=$(cat "$build/wine-session/display")

# Runs the UI driver with the given arguments; takes a picture whenever it
# asks for one, naming it with the run's label. The wizard starts in the
# downloads folder, where its save dialog opens, so that the pictures show
# that folder and not whatever folder the demo was started from.
walk() {
  local label=$1; shift
  coproc DRIVER {
    cd "$demo/downloads" && DISPLAY=$display "$here/tools/wine/wine-run.sh" "${wine_args[@]}" "$driver" "$@" 2>/dev/null
  }
  local pid=$DRIVER_PID input=${DRIVER[0]} output=${DRIVER[1]} line ok=1
  while IFS= read -r line <&"$input"; do
    line=${line%$'\r'}
    case $line in
      "shot "*)
        DISPLAY=$display import -window root "$shots/$label${line#shot }.png"
        echo >&"$output" ;;
      "walk-through failed"*) echo "demo: $line" >&2; ok=0 ;;
      *) echo "demo: $line" ;;
    esac
  done
  wait "$pid" || ok=0
  [ $ok = 1 ] || { echo "demo: the $label run did not go as planned" >&2; return 1; }
}

status=0
# The whole update of both drives, with what a screen reader reads on each
# page.
walk "" "$(winpath "$wizard")" "$(winpath "$demo/downloads")" --shots --read || status=1

# The report for support, as the machine is after the update, and the
# history the update left.
report_status=0
DISPLAY=$display "$here/tools/wine/wine-run.sh" "${wine_args[@]}" "$wizard" /report "$(winpath "$demo/report.txt")" \
  2>/dev/null || report_status=$?
echo "demo: /report ended with exit code $report_status; the report: $demo/report.txt"
[ "$report_status" = 0 ] || status=1
cp "$history" "$demo/UpdateHistory.txt" 2>/dev/null || { echo "demo: no history was written" >&2; status=1; }
echo "demo: the history of updates: $demo/UpdateHistory.txt"

# The pages a person meets only when something is missing.
printf '0 0 0 5 |ACME|CD-52X|1.00|020202|\n' | use_drives -
walk "30-no-drive-" "$(winpath "$wizard")" x --shots --page after-next || status=1
use_drives "$here/tools/demo/drives.txt"
mv "$demo/ftp/pub/VORN/cdrom/odd.idx" "$demo/odd.idx.withdrawn"
walk "31-catalogue-missing-" "$(winpath "$wizard")" x --shots --page after-next || status=1
mv "$demo/odd.idx.withdrawn" "$demo/ftp/pub/VORN/cdrom/odd.idx"
# A catalogue changed on its way (its last byte): the message, then the same page.
cp "$demo/ftp/pub/VORN/cdrom/odd.idx" "$demo/odd.idx.signed"
printf 'X' | dd of="$demo/ftp/pub/VORN/cdrom/odd.idx" bs=1 conv=notrunc \
  seek=$(( $(stat -c %s "$demo/odd.idx.signed") - 1 )) 2>/dev/null
walk "32-unverified-" "$(winpath "$wizard")" x --shots --page unverified || status=1
mv "$demo/odd.idx.signed" "$demo/ftp/pub/VORN/cdrom/odd.idx"
printf '0 1 0 5 |VORN|QX-9000B|2.11|030610|\n0 2 0 5 |VORN|QX-1234A|1.20|030101|\n' | use_drives -
walk "33-" "$(winpath "$wizard")" x --shots --page nothing-newer || status=1
use_drives "$here/tools/demo/drives.txt"
# The whole update again with High Contrast on, and a High Contrast scheme's
# colours, in the prefix.
"$here/tools/wine/high-contrast.sh" "$build" on
mkdir -p "$demo/high-contrast"
walk "37-high-contrast-" "$(winpath "$wizard")" "$(winpath "$demo/high-contrast")" --shots || status=1
printf '0 0 0 5 |ACME|CD-52X|1.00|020202|\n' | use_drives -
walk "37-high-contrast-no-drive-" "$(winpath "$wizard")" x --shots --page after-next || status=1
use_drives "$here/tools/demo/drives.txt"
"$here/tools/wine/high-contrast.sh" "$build" off
# The whole update again by the keyboard alone, in each language, each into
# a folder of its own.
for keys_language in C.UTF-8 zh_TW.UTF-8; do
  mkdir -p "$demo/keys-${keys_language%%.*}"
  LANG=$keys_language LC_ALL=$keys_language walk "keys-" "$(winpath "$wizard")" \
    "$(winpath "$demo/keys-${keys_language%%.*}")" --keys || status=1
  use_drives "$here/tools/demo/drives.txt"
done
stop_server
walk "34-no-connection-" "$(winpath "$wizard")" x --shots --page after-next || status=1

# The other sources: the firmware folder beside the program, a copy of the
# server's catalogue folder, with no server running at all...
report_source() {
  DISPLAY=$display "$here/tools/wine/wine-run.sh" "${wine_args[@]}" "$wizard" /report "$(winpath "$demo/$1")" \
    2>/dev/null || true
  echo "demo: $(grep -m1 '  Source: ' "$demo/$1" | sed 's/^ *//') ($demo/$1)"
}
cp -r "$demo/ftp/pub/VORN/cdrom" "$source_folder"
mkdir -p "$demo/downloads-folder" "$demo/downloads-mirror"
walk "35-firmware-folder-" "$(winpath "$wizard")" "$(winpath "$demo/downloads-folder")" --shots --page download ||
  status=1
report_source report-firmware-folder.txt
rm -rf "$source_folder"
# ...and the HTTP mirror, with nothing listening on the FTP port.
start_server http
echo "demo: HTTP mirror (lighttpd) on 127.0.0.1:$http_port serving $demo/ftp, FTP port $port closed"
walk "36-http-mirror-" "$(winpath "$wizard")" "$(winpath "$demo/downloads-mirror")" --shots --page download ||
  status=1
report_source report-http-mirror.txt
stop_server

echo "demo: downloads and unpacked firmware in $demo/downloads:"
ls -R "$demo/downloads" | sed 's/^/  /'
[ -f "$demo/flasher.log" ] && { echo "demo: the flasher ran:"; sed 's/^/  /' "$demo/flasher.log"; }
# The checks before the second flash opened its tray (START STOP UNIT, 1Bh):
# through ASPI (status 01h, done) or on the NT line through SG_IO (GOOD).
grep -qE 'cdb 0x1B -> 0x0[01]'$'\r''?$' "$demo/aspi.log" "$demo/sgio.log" 2>/dev/null &&
  echo "demo: the checks before the flash opened the tray of the drive with a disc in it ($line line)"
echo "demo: screenshots of every page ($tag) in $shots"
exit $status
