#!/usr/bin/env bash
# Installs what building and testing Vorandeck needs on Debian or Ubuntu, when missing.
set -euo pipefail
packages=(cmake make g++ clang-14 libclang-rt-14-dev zlib1g-dev googletest
          g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 xvfb xauth)
# The screenshots also need the Marlett font that Wine draws caption buttons with.
[ "${1:-}" = --screenshots ] && packages+=(imagemagick x11-apps fonts-wine)
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
