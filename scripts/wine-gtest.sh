#!/usr/bin/env bash
# CTest's emulator for the Windows builds: runs a GoogleTest program under Wine.
#   wine-gtest.sh LOADER PROGRAM.exe ARGS...     (LOADER: wine64, or wine for 32-bit code)
# A run that prints no GoogleTest summary (or a listing without tests) fails whatever its
# exit code: a 32-bit program under a Wine that cannot run it ends with 0 and says nothing.
set -uo pipefail
loader=$1
shift
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$loader" "$@" | tee "$log"
rc=${PIPESTATUS[0]}
if [[ " $* " == *" --gtest_list_tests "* ]]; then
  grep -q '^[^ ].*\.' "$log" && exit "$rc"
  echo "wine-gtest.sh: $1 listed no tests under $loader" >&2
  exit 1
fi
grep -q '^\[  \(PASSED\|FAILED\)  \]' "$log" && exit "$rc"
echo "wine-gtest.sh: no GoogleTest summary from $1 under $loader (exit code $rc)" >&2
exit 1
