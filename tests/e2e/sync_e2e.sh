#!/usr/bin/env bash
# orvik --sync on a fresh demo folder with no display: the update is installed and the song
# list made, exit 0; then, beside an open launcher on the same folder, a sync exits 3.
# Exits 77 (skipped) without a 7-Zip program.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$1
DEMO=$2
command -v 7zz >/dev/null || command -v 7z >/dev/null || { echo "SKIP: no 7-Zip"; exit 77; }

status=0
bash "$ROOT/scripts/run-demo.sh" --build "$BUILD" --dir "$DEMO" --fresh --sync --delay-ms 0 ||
  status=$?
[ "$status" -eq 0 ] || { echo "FAIL: the sync exited $status"; exit 1; }
missing=$(cd "$DEMO/service/catalog" && find . -name '*.sgd' |
  while read -r f; do cmp -s "$f" "$DEMO/Tunova/Songs/$f" || echo "$f"; done)
[ -z "$missing" ] || { echo "FAIL: not installed: $missing"; exit 1; }
grep -qx "songs=501" "$DEMO/Tunova/songlist.txt" || { echo "FAIL: no song list"; exit 1; }

starts() { grep -c "start: Orvik" "$DEMO/logs/orvik.log" || true; }
before=$(starts)
(cd "$DEMO/Tunova" && QT_QPA_PLATFORM=offscreen exec "$DEMO/orvik") >/dev/null 2>&1 &
launcher=$!
trap 'kill -TERM $launcher 2>/dev/null || true; wait $launcher 2>/dev/null || true' EXIT
deadline=$((SECONDS + 30))
until (($(starts) > before)); do
  ((SECONDS < deadline)) && kill -0 "$launcher" || { echo "FAIL: the launcher did not start"; exit 1; }
  sleep 0.1
done
status=0
env -u DISPLAY "$DEMO/orvik" --sync || status=$?
[ "$status" -eq 3 ] || { echo "FAIL: a sync beside the launcher exited $status"; exit 1; }
echo "all checks passed"
