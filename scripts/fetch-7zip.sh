#!/usr/bin/env bash
# Takes 7-Zip's Windows console program out of the npm package 7zip-bin (fetched with npm
# once, then kept in CACHE so that a rebuild does not fetch it again).
#   fetch-7zip.sh --arch x64|ia32 --cache CACHE --out FILE
set -euo pipefail
readonly PACKAGE=7zip-bin
readonly VERSION=5.2.0  # holds 7-Zip 21.07
arch="" cache="" out=""
while (($#)); do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --cache) cache=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "fetch-7zip.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
case "$arch" in x64 | ia32) ;; *) echo "fetch-7zip.sh: --arch x64|ia32" >&2; exit 2 ;; esac
if [ -z "$cache" ] || [ -z "$out" ]; then
  echo "fetch-7zip.sh: --cache and --out" >&2
  exit 2
fi
mkdir -p "$cache" "$(dirname "$out")"
archive="$cache/$PACKAGE-$VERSION.tgz"
if [ ! -s "$archive" ]; then
  command -v npm >/dev/null || { echo "fetch-7zip.sh: npm is needed once to fetch $PACKAGE" >&2; exit 1; }
  (cd "$cache" && npm pack "$PACKAGE@$VERSION" --silent >/dev/null)
fi
tar -xzf "$archive" -O "package/win/$arch/7za.exe" >"$out.tmp"
mv "$out.tmp" "$out"
