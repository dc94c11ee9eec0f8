#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Orvik need.
# Idempotent: installs only what is missing.
set -euo pipefail

packages=(
  build-essential cmake pkgconf ccache
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libssl-dev openssl libasound2-dev
  libspdlog-dev libfmt-dev
  libcpp-httplib-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  7zip
  fonts-nanum
  xvfb xauth xdotool x11-apps imagemagick python3-pil
  curl
  # Windows: mingw-w64 (posix thread model), GoogleTest's sources, Wine for both
  # architectures, a Korean locale for Wine.
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools googletest
  wine wine64 wine32:i386 locales
  # Windows packages: the installers and the zip files.
  nsis zip
)
# npm fetches the 7-Zip package; a Node.js installed otherwise brings its own.
command -v npm >/dev/null || packages+=(npm)

# wine32 comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
