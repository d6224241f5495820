#!/usr/bin/env bash
# Installs what building and testing Vorandeck needs on Debian or Ubuntu, when missing.
set -euo pipefail
# fonts-wine: Wine's own Tahoma, MS Sans Serif and Marlett (the caption buttons'
# glyphs). Only recommended by wine64, yet the window tests measure text in the
# fonts the dialogs ask for and the screenshots need the glyphs, so it is always
# installed rather than left to whichever Linux font stands in.
# The release (scripts/release.sh): wixl and msitools build the MSI, osslsigncode
# signs, faketime stops the clock that wixl stamps it with, help2man, lintian and
# dpkg-dev make and check the Debian package, zip packs the portable one.
packages=(cmake make g++ clang-14 libclang-rt-14-dev zlib1g-dev libssl-dev openssl googletest
          libcli11-dev nlohmann-json3-dev
          g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 fonts-wine xvfb xauth
          wixl msitools osslsigncode faketime help2man lintian dpkg-dev zip unzip)
[ "${1:-}" = --screenshots ] && packages+=(imagemagick x11-apps)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
