#!/usr/bin/env bash
# End-to-end test of the demo: runs scripts/run-demo.sh headless twice on a fresh demo folder.
#   1st start: the update offered by the service is downloaded and unpacked by pressing the
#              update button; the store then holds every catalogue song, byte for byte; the
#              song list is made; the player starts from the run button and its end is noticed.
#   2nd start: the song the catalogue no longer has is removed; the store equals the catalogue.
# Exits 77 (skipped) when the X tools are missing.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=""
DEMO=""
while (($#)); do
  case "$1" in
    --build) BUILD=$2; shift 2 ;;
    --dir) DEMO=$2; shift 2 ;;
    *) echo "demo_e2e.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$BUILD" ] || [ -z "$DEMO" ]; then
  echo "usage: demo_e2e.sh --build BUILD --dir DEMO" >&2
  exit 2
fi

for tool in Xvfb xdotool import compare; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (bash scripts/install-deps.sh installs it)"
    exit 77
  fi
done
if ! command -v 7zz >/dev/null && ! command -v 7z >/dev/null; then
  echo "SKIP: no 7-Zip program on the PATH"
  exit 77
fi

failures=0
check() {  # description command...
  local what=$1
  shift
  if "$@"; then
    echo "ok:   $what"
  else
    echo "FAIL: $what"
    failures=$((failures + 1))
  fi
}
songs_in() { (cd "$1" && find . -name '*.sgd' | sort); }
same_songs() {  # every catalogue song is in the store with the same bytes
  local f
  while read -r f; do cmp -s "$DEMO/service/catalog/$f" "$DEMO/Tunova/Songs/$f" || return 1; done \
    < <(songs_in "$DEMO/service/catalog")
}
only_extra_is_withdrawn() {
  [ "$(comm -23 <(songs_in "$DEMO/Tunova/Songs") <(songs_in "$DEMO/service/catalog"))" = \
    "./K2000/02001.sgd" ]
}
log_count() { grep -c "^$1 " "$DEMO/Tunova/player.log" || true; }
no_archive_left() { ! compgen -G "$DEMO/*.zip" >/dev/null; }
list_counts() { grep -qx "songs=$1" "$DEMO/Tunova/songlist.txt"; }
store_equals_catalogue() {  # the same song files with the same bytes (empty folders aside)
  [ "$(songs_in "$DEMO/Tunova/Songs")" = "$(songs_in "$DEMO/service/catalog")" ] && same_songs
}
stored_songs() { [ "$(songs_in "$DEMO/Tunova/Songs" | wc -l)" -eq "$1" ]; }

echo "== first start: update and player"
bash "$ROOT/scripts/run-demo.sh" --build "$BUILD" --dir "$DEMO" --fresh --headless --delay-ms 0
check "every catalogue song is in the store, byte for byte" same_songs
check "the only other song is the withdrawn one" only_extra_is_withdrawn
check "the package archive is deleted after unpacking" no_archive_left
check "the song list was made after the update (501 songs)" list_counts 501
check "the player started twice" test "$(log_count started)" -eq 2
check "the player ended twice" test "$(log_count ended)" -eq 2
check "the update was shown (screenshot)" test -s "$DEMO/screenshots/02-update-offered.png"

# The next start replaces the screenshots; these stay as the test's record of the update.
rm -rf "$DEMO/screenshots-update"
cp -r "$DEMO/screenshots" "$DEMO/screenshots-update"

echo "== second start: removal of the withdrawn song"
bash "$ROOT/scripts/run-demo.sh" --build "$BUILD" --dir "$DEMO" --headless --delay-ms 0
check "the store now equals the catalogue" store_equals_catalogue
check "500 songs stored" stored_songs 500

((failures == 0)) || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
