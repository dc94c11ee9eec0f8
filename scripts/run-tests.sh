#!/usr/bin/env bash
# Builds Orvik and runs every test: the Linux suite, then the Windows suites (x86-64 and
# i686, cross-built with mingw-w64) under Wine. This is what CI runs.
#   bash scripts/run-tests.sh             Linux, then both Windows suites
#   bash scripts/run-tests.sh --windows   the Windows suites only
# Every suite runs even when an earlier one failed. A suite that could not run is never
# counted as passed: it is "NOT RUN" in the summary and the exit code is 3 (1 when one
# failed); under CI (CI=true) it fails the run.
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
not_run=0
note() {  # suite result
  summary+=("$1: $2")
  [ "$2" = passed ] || failed=1
}
skipped() {  # suite reason
  if [ "${CI:-}" = true ]; then
    note "$1" "FAILED: could not run under CI ($2)"
  else
    summary+=("$1: NOT RUN ($2)")
    not_run=1
  fi
}

# CTest in a build folder; tests that skipped themselves (exit 77: a tool missing) are named
# as not run.
ctest_suite() {  # name build-folder
  local out status=0 skips
  out=$(mktemp)
  (cd "$2" && ctest --output-on-failure -j2 --timeout 600) | tee "$out" || status=$?
  skips=$(sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([^ ]*\) .*\*\*\*Skipped.*/\1/p' "$out" | tr '\n' ' ')
  rm -f "$out"
  if ((status == 0)); then note "$1" passed; else note "$1" failed; fi
  [ -z "$skips" ] || skipped "$1" "tests skipped: $skips"
}

if ((linux)); then
  bash scripts/build.sh
  ctest_suite linux build
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
  local name=$1 toolchain=$2 build=$3 arch=$4 status version
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  if ! cmake --build "$build" -j2; then
    note "$name" "failed (build)"
    return
  fi
  wine_env_start "$build"
  if [ "$name" = windows-i686 ] && ! runs_32bit; then
    skipped "$name" "Wine here does not run 32-bit programs; is wine32:i386 installed?"
    wine_env_stop
    return
  fi
  ctest_suite "$name" "$build"
  wine_env_stop
  # The package, installed and run under Wine against the native service.
  if ! bash scripts/build-windows.sh --arch "$arch"; then
    note "$name-e2e" "failed (packages)"
    return
  fi
  status=0
  version=$(sed -n 's/^#define ORVIK_VERSION_STRING "\(.*\)"$/\1/p' "$build/generated/orvik_version.h")
  bash tests/e2e/windows_e2e.sh --arch "$arch" --build "$build" --native build \
    --setup "dist/orvik-$version-setup-$arch.exe" || status=$?
  case $status in
    0) note "$name-e2e" passed ;;
    77) skipped "$name-e2e" "Wine or the X tools cannot run it here, see above" ;;
    *) note "$name-e2e" failed ;;
  esac
}

windows_suite windows-x86_64 mingw-x86_64.cmake build-win64 win64
windows_suite windows-i686 mingw-i686.cmake build-win32 win32

echo
echo "Test suites:"
printf '  %s\n' "${summary[@]}"
((failed)) && exit 1
((not_run)) && exit 3
exit 0
