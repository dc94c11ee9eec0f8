#!/usr/bin/env bash
# Builds the Windows packages of Orvik (cross-built with mingw-w64) under dist/:
#   orvik-VERSION-win64.zip, orvik-VERSION-win32.zip         unpack anywhere writable and run
#   orvik-VERSION-setup-win64.exe, orvik-VERSION-setup-win32.exe   NSIS installers
# Each holds orvik.exe, bin\7z\7za.exe with 7-Zip's licence, bin\images\ and
# setting.env.example. The build folders are build-win64 and build-win32 (shared with the
# Windows test suites).
#   bash scripts/build-windows.sh [--arch win64|win32] [--dist DIR]
#        [--sign CERT.pfx [--pass-file FILE] [--timestamp URL]]
# --sign signs orvik.exe, the uninstaller and the setup (Authenticode, osslsigncode); the
# certificate's password is read from --pass-file. Unsigned by default. --dist puts the
# packages into DIR instead of dist/.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
usage() {
  echo "usage: build-windows.sh [--arch win64|win32] [--dist DIR] [--sign CERT.pfx [--pass-file FILE] [--timestamp URL]]" >&2
  exit 2
}
arches=(win64 win32)
DIST=dist SIGN_PFX="" PASS_FILE="" TIMESTAMP=""
while (($#)); do
  (($# >= 2)) || usage
  case "$1" in
    --arch) arches=("$2") ;;
    --dist) DIST=$2 ;;
    --sign) SIGN_PFX=$(realpath "$2") ;;
    --pass-file) PASS_FILE=$(realpath "$2") ;;
    --timestamp) TIMESTAMP=$2 ;;
    *) usage ;;
  esac
  shift 2
done
[ -z "$SIGN_PFX" ] && { [ -n "$PASS_FILE" ] || [ -n "$TIMESTAMP" ]; } && usage
tools=(makensis zip)
[ -n "$SIGN_PFX" ] && tools+=(osslsigncode)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || { echo "build-windows.sh: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
mkdir -p "$DIST"
DIST=$(cd "$DIST" && pwd)
nsis_sign=()
if [ -n "$SIGN_PFX" ]; then
  [ -f "$SIGN_PFX" ] || { echo "build-windows.sh: no certificate $SIGN_PFX" >&2; exit 1; }
  export ORVIK_SIGN_PFX=$SIGN_PFX ORVIK_SIGN_PASS_FILE=$PASS_FILE ORVIK_SIGN_TIMESTAMP=$TIMESTAMP
  nsis_sign=(-DSIGN_COMMAND="bash \"$ROOT/packaging/windows/sign-file.sh\"")
fi

for arch in "${arches[@]}"; do
  case "$arch" in
    win64) toolchain=mingw-x86_64.cmake triple=x86_64-w64-mingw32 seven=x64 ;;
    win32) toolchain=mingw-i686.cmake triple=i686-w64-mingw32 seven=ia32 ;;
    *) echo "build-windows.sh: unknown architecture $arch" >&2; exit 2 ;;
  esac
  build="build-$arch"
  echo "== $arch: building in $build"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j2 --target orvik orvik-demo-player orvik-demo-songlist orvik-demo-command
  # The version the build was made with (from project() in CMakeLists.txt).
  VERSION=$(sed -n 's/^#define ORVIK_VERSION_STRING "\(.*\)"$/\1/p' "$build/generated/orvik_version.h")

  stage="$DIST/stage-$arch"
  rm -rf "$stage"
  mkdir -p "$stage/bin/7z" "$stage/bin/images"
  # The debugging information stays in the build folder.
  "$triple-strip" -o "$stage/orvik.exe" "$build/src/app/win32/orvik.exe"
  [ -n "$SIGN_PFX" ] && bash packaging/windows/sign-file.sh "$stage/orvik.exe"
  bash scripts/fetch-7zip.sh --arch "$seven" --cache "$build/7zip-cache" --out "$stage/bin/7z/7za.exe"
  cp packaging/7zip-license.txt "$stage/bin/7z/License.txt"
  cp data/images/* "$stage/bin/images/"
  cp packaging/setting.env.example "$stage/"

  zipfile="$DIST/orvik-$VERSION-$arch.zip"
  rm -f "$zipfile"
  (cd "$stage" && zip -qr -X "$zipfile" .)
  setup="$DIST/orvik-$VERSION-setup-$arch.exe"
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$VERSION" -DARCH="$arch" -DSTAGE="$stage" \
    -DOUTFILE="$setup" "${nsis_sign[@]}" packaging/windows/orvik.nsi
  ls -l "$stage/orvik.exe" "$zipfile" "$setup" | awk '{print $5, $NF}'
done
