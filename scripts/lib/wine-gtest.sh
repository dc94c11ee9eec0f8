#!/usr/bin/env bash
# CTest's emulator for the Windows builds: runs a GoogleTest program under Wine.
#   wine-gtest.sh LOADER PROGRAM.exe ARGS...     (LOADER: wine64, or wine for 32-bit code)
# A run that prints no GoogleTest summary (or a listing without tests) fails whatever its
# exit code: a 32-bit program under a Wine that cannot run it ends with 0 and says nothing.
set -uo pipefail
loader=$1
shift
# The bundled 7-Zip beside the test programs (tests/bin/7z) on the Windows PATH: most update
# tests use a temporary module folder, which has no bin\7z of its own.
seven_zip_dir=$(cd "$(dirname "$1")" && pwd)/bin/7z
export WINEPATH="Z:${seven_zip_dir//\//\\}${WINEPATH:+;$WINEPATH}"
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
# Into files, not pipes: Wine's own background programs (started with the first program of
# a session) inherit the descriptors and would keep a pipe open after the test has ended.
"$loader" "$@" >"$out" 2>"$err" </dev/null
rc=$?
# A GoogleTest program always writes before it tests anything. Not a byte means Wine never
# started it (seen once in a busy clean-clone run: exit code 1 at once, nothing said): say so
# and start it once more. A program that ran and failed is never run again.
if [ ! -s "$out" ] && [ ! -s "$err" ]; then
  echo "wine-gtest.sh: $1 wrote nothing under $loader (exit code $rc); starting it again" >&2
  "$loader" "$@" >"$out" 2>"$err" </dev/null
  rc=$?
fi
cat "$out"
cat "$err" >&2
if [[ " $* " == *" --gtest_list_tests "* ]]; then
  grep -q '^[^ ].*\.' "$out" && exit "$rc"
  echo "wine-gtest.sh: $1 listed no tests under $loader" >&2
  exit 1
fi
grep -q '^\[  \(PASSED\|FAILED\)  \]' "$out" && exit "$rc"
echo "wine-gtest.sh: no GoogleTest summary from $1 under $loader (exit code $rc)" >&2
exit 1
