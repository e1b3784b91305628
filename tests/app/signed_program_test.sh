#!/usr/bin/env bash
# Signs a copy of the shipped program as `make release` signs it
# (tools/release/sign-programs.sh), with a throwaway certificate made here,
# and checks that the signed copy verifies (and stops verifying when one byte
# changes), passes the import check, and still starts under Wine: /report
# writes its report. The program itself is left as it is.
#   signed_program_test.sh BUILD PROGRAM.exe ALLOWLIST VERSION
set -euo pipefail
build=$1 program=$2 allowlist=$3 version=$4
here=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d "$build/signed-program.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

before=$(sha256sum <"$program")
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=VORN throwaway test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2>/dev/null
"$here/tools/release/sign-programs.sh" --cert "$scratch/cert.pem" --key "$scratch/key.pem" \
  --ca "$scratch/cert.pem" --out "$scratch/signed" "$program"
signed=$scratch/signed/$(basename "$program")
[ "$(sha256sum <"$program")" = "$before" ] || fail "signing changed $program"

# The verification the release runs must refuse a signed file changed later.
/usr/bin/python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[4096] ^= 1
open(sys.argv[2], "wb").write(d)' "$signed" "$scratch/changed.exe"
! osslsigncode verify -CAfile "$scratch/cert.pem" -in "$scratch/changed.exe" >/dev/null 2>&1 \
  || fail "a signed program changed in one byte still verifies"

/usr/bin/python3 "$here/tests/app/check_program.py" "$allowlist" "$signed" "$version" >/dev/null \
  || fail "the signed program fails the import check"

status=0
"$here/tools/wine/wine-run.sh" --build "$build" "$signed" /report "Z:${scratch//\//\\}\\report.txt" || status=$?
# 1 and 2 (no drive library, no catalogue) are expected here; 4 and above
# mean no report, or a program that did not run.
[ "$status" -lt 4 ] || fail "the signed program ended with $status"
head -2 "$scratch/report.txt" | tr -d '\r' | grep -qx "Program: $(basename "$program") $version" \
  || fail "the signed program's report does not name it: $(head -2 "$scratch/report.txt" 2>&1)"
echo "signed, verified, import check passed, /report ran (exit $status)"
