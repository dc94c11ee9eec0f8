#!/usr/bin/env bash
# Installs the Debian packages Orvik needs; only what is missing.
#   bash scripts/install-deps.sh            everything: building, every test, the Windows
#                                           builds, their tests under Wine, the installers
#   bash scripts/install-deps.sh launcher   only building and running the Linux launcher on
#                                           the demo (run-launcher.sh)
#   bash scripts/install-deps.sh launcher xvfb   the same, plus what the demo needs without
#                                           a display (Xvfb and the walkthrough's X tools)
set -euo pipefail

launcher=(
  build-essential cmake pkgconf ccache
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libssl-dev openssl libasound2-dev
  libspdlog-dev libfmt-dev zlib1g-dev
  libcpp-httplib-dev
  7zip
  fonts-nanum
)
xvfb=(xvfb xauth xdotool x11-apps imagemagick)
tests=(
  libgtest-dev libgmock-dev libbenchmark-dev python3-pil curl
  # Windows: mingw-w64 (posix thread model), GoogleTest's sources, Wine for both
  # architectures, a Korean locale for Wine.
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools googletest
  libz-mingw-w64-dev
  wine wine64 wine32:i386 locales
  # Windows packages: the installers, the zip files, signing (and its test certificate).
  nsis zip osslsigncode openssl
)

packages=()
windows=0
if (($# == 0)); then
  set -- launcher xvfb all
fi
for set in "$@"; do
  case "$set" in
    launcher) packages+=("${launcher[@]}") ;;
    xvfb) packages+=("${xvfb[@]}") ;;
    all)
      packages+=("${launcher[@]}" "${xvfb[@]}" "${tests[@]}")
      windows=1
      # npm fetches the 7-Zip package; a Node.js installed otherwise brings its own.
      command -v npm >/dev/null || packages+=(npm)
      ;;
    *) echo "usage: install-deps.sh [launcher [xvfb] | all]" >&2; exit 2 ;;
  esac
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
# wine32 comes from the i386 architecture: only the full set adds it.
if ((windows)) && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
