#!/usr/bin/env bash
# Tells whether this machine executes 32-bit (i386) programs, by running one:
# Wine's own 32-bit loader. Some kernels run 64-bit user code only, and every
# i386 program then fails with "Exec format error".
# Exit 0 when it can; otherwise exit 1 and print the reason on stdout.
# VORN_NO_32BIT=1 makes it answer no, to try the 64-bit-only path anywhere.
loader=/usr/lib/wine/wine
if [ -n "${VORN_NO_32BIT:-}" ]; then
  echo "VORN_NO_32BIT is set"
  exit 1
fi
if [ ! -e "$loader" ]; then
  echo "Wine's 32-bit loader ($loader) is not installed"
  exit 1
fi
if ! out=$("$loader" --version 2>&1); then
  case $out in
    *"Exec format error"*) echo "this machine runs 64-bit code only" ;;
    *) echo "Wine's 32-bit loader does not start here: ${out%%$'\n'*}" ;;
  esac
  exit 1
fi
exit 0
