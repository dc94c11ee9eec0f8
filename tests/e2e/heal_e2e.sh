#!/usr/bin/env bash
# The store heals through the song service: after an update, three songs are damaged by
# hand (a flipped byte, a cut, an empty file); orvik --verify finds exactly those and sets
# them aside (exit 1), the next orvik --sync brings them back, and the store is then
# byte-identical to the catalogue and verifies sound (exit 0). Exits 77 without 7-Zip.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$1
DEMO=$2
command -v 7zz >/dev/null || command -v 7z >/dev/null || { echo "SKIP: no 7-Zip"; exit 77; }

sync() {
  local status=0
  bash "$ROOT/scripts/run-demo.sh" --build "$BUILD" --dir "$DEMO" "$@" --sync --delay-ms 0 ||
    status=$?
  [ "$status" -eq 0 ] || { echo "FAIL: the sync exited $status"; exit 1; }
}
differing() {
  (cd "$DEMO/service/catalog" && find . -name '*.sgd' |
    while read -r f; do cmp -s "$f" "$DEMO/Tunova/Songs/$f" || echo "$f"; done)
}
verify() {
  local status=0
  (cd "$DEMO" && env -u DISPLAY ./orvik --verify) >"$DEMO/verify.out" 2>&1 || status=$?
  echo "$status"
}

sync --fresh
[ -z "$(differing)" ] || { echo "FAIL: the first update left songs out"; exit 1; }
[ "$(verify)" -eq 0 ] || { echo "FAIL: a fresh store did not verify"; cat "$DEMO/verify.out"; exit 1; }

SONGS="$DEMO/Tunova/Songs"
# Installed by the update (its CRC-32 is known): one flipped byte, and one cut short.
printf '\xff' | dd of="$SONGS/K1000/01100.sgd" bs=1 seek=5 conv=notrunc status=none
truncate -s 10 "$SONGS/K1000/01150.sgd"
# Copied in by hand before (no CRC-32 known): emptied.
: >"$SONGS/K0000/00007.sgd"

status=$(verify)
[ "$status" -eq 1 ] || { echo "FAIL: verify exited $status"; cat "$DEMO/verify.out"; exit 1; }
aside=$(cd "$SONGS.quarantine" && find . -name '*.sgd' | sed 's|^\./[^/]*/||' | sort | tr '\n' ' ')
[ "$aside" = "K0000/00007.sgd K1000/01100.sgd K1000/01150.sgd " ] ||
  { echo "FAIL: set aside: $aside"; exit 1; }
[ "$(differing | sort | tr '\n' ' ')" = "./K0000/00007.sgd ./K1000/01100.sgd ./K1000/01150.sgd " ] ||
  { echo "FAIL: other songs changed: $(differing)"; exit 1; }

sync
[ -z "$(differing)" ] || { echo "FAIL: not healed: $(differing)"; exit 1; }
status=$(verify)
[ "$status" -eq 0 ] || { echo "FAIL: the healed store verified $status"; cat "$DEMO/verify.out"; exit 1; }
echo "all checks passed"
