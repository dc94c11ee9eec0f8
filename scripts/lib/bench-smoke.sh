#!/usr/bin/env bash
# CTest's smoke run of a benchmark with tiny sizes: it must end with 0, print every figure
# asked for and report no failure. Not a timing: the figures' values are not judged.
#   bench-smoke.sh [--expect REGEX]... -- PROGRAM ARGS...
# Exits 77 (skipped) when a tool the benchmark needs is missing (--needs TOOL).
set -uo pipefail
expect=()
while (($#)); do
  case "$1" in
    --expect) expect+=("$2"); shift 2 ;;
    --needs) command -v "$2" >/dev/null || { echo "SKIP: $2 is not installed"; exit 77; }; shift 2 ;;
    --) shift; break ;;
    *) echo "bench-smoke.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# Into a file: Wine's background programs would hold a pipe open.
"$@" >"$out" 2>&1 </dev/null
rc=$?
tr -d '\r' <"$out"
((rc == 0)) || { echo "bench-smoke.sh: exit code $rc"; exit 1; }
if grep -qi 'failed' "$out"; then
  echo "bench-smoke.sh: a failure was reported"
  exit 1
fi
for regex in "${expect[@]}"; do
  tr -d '\r' <"$out" | grep -qE "$regex" || { echo "bench-smoke.sh: no line matches: $regex"; exit 1; }
done
echo "bench-smoke.sh: finished with its figures"
