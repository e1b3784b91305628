#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run the demo.
# Idempotent: when everything is present it only checks and returns.
# Works as root or through sudo.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev g++-multilib
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 wine32:i386 xvfb xauth x11-apps imagemagick
  zlib1g-dev googletest
  python3 python3-pyftpdlib lighttpd
  openssl libssl-dev osslsigncode
  zip unzip libarchive-tools p7zip-full
  fonts-liberation fonts-arphic-uming fonts-wine
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ "$need_i386" -eq 0 ] && [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [ "$need_i386" -eq 1 ]; then
  as_root dpkg --add-architecture i386
fi
as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
