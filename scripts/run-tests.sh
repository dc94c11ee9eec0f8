#!/usr/bin/env bash
# Builds Orvik and runs every test: the Linux suite, then the Windows suites (x86-64 and
# i686, cross-built with mingw-w64) under Wine. This is what CI runs.
#   bash scripts/run-tests.sh             Linux, then both Windows suites
#   bash scripts/run-tests.sh --windows   the Windows suites only
# Every suite runs even when an earlier one failed; the exit code says whether all passed.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
linux=1
case "${1:-}" in
  "") ;;
  --windows) linux=0 ;;
  *) echo "usage: run-tests.sh [--windows]" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh
source scripts/wine-env.sh
trap wine_env_stop EXIT

declare -a summary=()
failed=0
note() {  # suite result
  summary+=("$1: $2")
  [ "$2" = passed ] || [[ $2 == "not run"* ]] || failed=1
}

if ((linux)); then
  bash scripts/build.sh
  if (cd build && ctest --output-on-failure -j2 --timeout 600); then
    note linux passed
  else
    note linux failed
  fi
else
  # The Windows suites reach the native reference service of the Linux build.
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j2 --target orvik-songsvc
fi

# Whether Wine runs 32-bit Windows code here at all: a tiny program must say so.
runs_32bit() {
  local dir out=""
  dir=$(mktemp -d)
  printf '#include <cstdio>\nint main() { std::puts("probe-ok"); }\n' >"$dir/probe.cpp"
  if i686-w64-mingw32-g++-posix -static -o "$dir/probe.exe" "$dir/probe.cpp"; then
    # Through a file: Wine's background programs would hold a pipe open.
    timeout 120 wine "$dir/probe.exe" >"$dir/out" 2>/dev/null </dev/null || true
    out=$(tr -d '\r' <"$dir/out")  # text mode ends lines with CR LF
  fi
  rm -rf "$dir"
  [ "$out" = probe-ok ]
}

windows_suite() {  # name toolchain build-folder arch
  local name=$1 toolchain=$2 build=$3 arch=$4 status
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  if ! cmake --build "$build" -j2; then
    note "$name" "failed (build)"
    return
  fi
  wine_env_start "$build"
  if [ "$name" = windows-i686 ] && ! runs_32bit; then
    note "$name" "not run (Wine here does not run 32-bit programs; is wine32:i386 installed?)"
    wine_env_stop
    return
  elif (cd "$build" && ctest --output-on-failure -j2 --timeout 600); then
    note "$name" passed
  else
    note "$name" failed
  fi
  wine_env_stop
  # The package, installed and run under Wine against the native service.
  if ! bash scripts/build-windows.sh --arch "$arch"; then
    note "$name-e2e" "failed (packages)"
    return
  fi
  status=0
  bash tests/e2e/windows_e2e.sh --arch "$arch" --build "$build" --native build \
    --setup "dist/orvik-$(sed -n 's/^project(Orvik VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-setup-$arch.exe" ||
    status=$?
  case $status in
    0) note "$name-e2e" passed ;;
    77) note "$name-e2e" "not run (Wine cannot run it here, see above)" ;;
    *) note "$name-e2e" failed ;;
  esac
}

windows_suite windows-x86_64 mingw-x86_64.cmake build-win64 win64
windows_suite windows-i686 mingw-i686.cmake build-win32 win32

echo
echo "Test suites:"
printf '  %s\n' "${summary[@]}"
exit "$failed"
