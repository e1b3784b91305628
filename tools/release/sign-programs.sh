#!/usr/bin/env bash
# Signs Windows programs with an Authenticode signature (osslsigncode,
# SHA-256), so that the elevation prompt and SmartScreen name the publisher,
# and checks each signature with `osslsigncode verify` against the
# certificate chain. Each program is written signed into OUT_DIR under its
# own name; the input is left as it is.
#   sign-programs.sh --cert CERT.pem --key KEY.pem [--ca CA.pem] [--pass-file FILE]
#                    [--timestamp URL] --out OUT_DIR PROGRAM.exe...
# --cert: the certificate, followed by its intermediate certificates (PEM).
# --key: its private key (PEM or DER); --pass-file: the key's password.
# --ca: the root the chain is checked against (default: the system's roots).
# --timestamp: an RFC 3161 time-stamping service, so that the signature
#   stays valid after the certificate expires.
set -euo pipefail
usage() {
  echo "usage: sign-programs.sh --cert CERT --key KEY [--ca CA] [--pass-file FILE] [--timestamp URL] --out DIR PROGRAM..." >&2
  exit 2
}
cert= key= out=
sign_args=() verify_args=()
while [ $# -gt 0 ]; do
  case $1 in
    --cert) cert=${2:?}; shift 2 ;;
    --key) key=${2:?}; shift 2 ;;
    --ca) verify_args+=(-CAfile "${2:?}"); shift 2 ;;
    --pass-file) sign_args+=(-readpass "${2:?}"); shift 2 ;;
    --timestamp) sign_args+=(-ts "${2:?}"); shift 2 ;;
    --out) out=${2:?}; shift 2 ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ -n "$cert" ] && [ -n "$key" ] && [ -n "$out" ] && [ $# -gt 0 ] || usage
for file in "$cert" "$key"; do
  [ -r "$file" ] || { echo "sign-programs: cannot read $file" >&2; exit 1; }
done
command -v osslsigncode >/dev/null || { echo "sign-programs: osslsigncode is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }

mkdir -p "$out"
for program in "$@"; do
  signed=$out/$(basename "$program")
  [ "$(realpath -m "$signed")" != "$(realpath -m "$program")" ] \
    || { echo "sign-programs: $program would be written over itself" >&2; exit 1; }
  rm -f "$signed"
  # -n and -i: the name and address the signature's details show; -comm: signed
  # by a company (commercial code signing), not a person.
  if ! osslsigncode sign -certs "$cert" -key "$key" "${sign_args[@]}" -h sha256 -comm \
       -n "VORN Firmware Update" -i "http://www.vornhal.com" -in "$program" -out "$signed" >"$signed.log" 2>&1; then
    cat "$signed.log" >&2; rm -f "$signed" "$signed.log"
    echo "sign-programs: signing $program failed" >&2; exit 1
  fi
  if ! osslsigncode verify "${verify_args[@]}" -in "$signed" >"$signed.log" 2>&1; then
    cat "$signed.log" >&2; rm -f "$signed" "$signed.log"
    echo "sign-programs: the signature of $signed does not verify" >&2; exit 1
  fi
  rm -f "$signed.log"
  echo "signed and verified: $signed"
done
