#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Orvik need.
# Idempotent: installs only what is missing.
set -euo pipefail

packages=(
  build-essential cmake pkgconf ccache
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libssl-dev openssl
  libspdlog-dev libfmt-dev
  libcpp-httplib-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  7zip
  fonts-nanum
  xvfb xauth xdotool x11-apps imagemagick python3-pil
  curl
)

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
