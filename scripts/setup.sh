#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, skipping what is there.
set -euo pipefail

packages=(
  cmake make g++-mingw-w64-x86-64-posix   # the cross toolchain
  wine wine64 fonts-wine                  # running the Windows program
  xvfb xdotool imagemagick x11-utils      # a display when there is none, and screenshots
  googletest                              # test framework sources, built with the cross toolchain
  python3                                 # the opcode table and font generators
  binutils zydis-tools                    # decoders that check the opcode table
  xfonts-base pcf2bdf                     # glyph sources of the embedded font
)
command -v npm >/dev/null 2>&1 || packages+=(npm)   # fetches the pinned SQLite amalgamation

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # With recommends: Wine draws and takes input through X libraries it only recommends.
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
