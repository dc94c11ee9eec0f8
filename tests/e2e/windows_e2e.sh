#!/usr/bin/env bash
# End-to-end test of the Windows build under Wine: the installer installs silently into a
# Wine prefix, and the installed orvik.exe runs twice against the native reference service
# (HTTPS on localhost with a caFile), driven by demo-walkthrough.sh:
#   1st start: the update button downloads and unpacks the package; the store then holds
#              every catalogue song byte for byte; the song list is made; the player
#              starts from the run button (twice) and its end is noticed.
#   2nd start: the song the catalogue no longer has is removed.
#   --sync:    new catalogue songs are installed with no window (no display at all), exit 0,
#              progress in the redirected output, its lines in logs/orvik.log; beside a
#              running orvik.exe a second --sync exits 3. Windowed runs write the log too.
#   bash tests/e2e/windows_e2e.sh --arch win64|win32 --build WINBUILD --native LINUXBUILD \
#                                 --setup SETUP.exe
# Exits 77 (skipped, with the reason) when Wine or the X tools cannot run here.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
ARCH="" BUILD="" NATIVE="" SETUP=""
while (($#)); do
  case "$1" in
    --arch) ARCH=$2; shift 2 ;;
    --build) BUILD=$(cd "$2" && pwd); shift 2 ;;
    --native) NATIVE=$(cd "$2" && pwd); shift 2 ;;
    --setup) SETUP=$(realpath "$2"); shift 2 ;;
    *) echo "windows_e2e.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$ARCH" ] && [ -n "$BUILD" ] && [ -n "$NATIVE" ] && [ -f "$SETUP" ] || {
  echo "usage: windows_e2e.sh --arch win64|win32 --build WINBUILD --native LINUXBUILD --setup SETUP" >&2
  exit 2
}
case "$ARCH" in
  win64) WINE=$(command -v wine64 || echo /usr/lib/wine/wine64) ;;
  win32) WINE=wine ;;
  *) echo "windows_e2e.sh: --arch win64|win32" >&2; exit 2 ;;
esac
SONGSVC="$NATIVE/tools/songsvc/orvik-songsvc"
[ -x "$SONGSVC" ] || { echo "windows_e2e.sh: build the Linux tree first ($SONGSVC)" >&2; exit 1; }
for tool in Xvfb xdotool import compare; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

E2E="$BUILD/e2e"
mkdir -p "$E2E"
source "$ROOT/scripts/wine-env.sh"
pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  wine_env_stop
  # Nothing of this run may outlive it: a launcher left in the prefix would hold the
  # module folder's lock and turn the next run's launcher away.
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# A display of its own.
source "$ROOT/scripts/lib/xvfb.sh"
xvfb_start "$E2E" || exit 1
pids+=("$XVFB_PID")

export WINEPREFIX="$E2E/wine-prefix"
[ -d "$WINEPREFIX" ] && { wineserver -k 2>/dev/null || true; }
wine_env_start "$E2E"
if [ "$(timeout 120 "$WINE" cmd /c echo wine-ok 2>/dev/null | tr -d '\r')" != wine-ok ]; then
  echo "SKIP: Wine cannot run $ARCH programs on this machine"
  exit 77
fi
# Managed windows: without a window manager the X window is then exactly the client area,
# which the walkthrough's screen reading expects.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d Y /f >/dev/null 2>&1

DEMO="$WINEPREFIX/drive_c/Orvik"
rm -rf "$DEMO"
echo "== installing $(basename "$SETUP") silently"
"$WINE" "$SETUP" /S 'D=C:\Orvik'
[ -f "$DEMO/orvik.exe" ] && [ -f "$DEMO/bin/7z/7za.exe" ] ||
  { echo "FAIL: the installer did not install orvik.exe and 7-Zip into C:\\Orvik"; exit 1; }

# The player installation beside the launcher, and the service's data (see make-demo.sh).
mkdir -p "$DEMO/Tunova" "$DEMO/service/banners" "$DEMO/service/work" "$DEMO/logs"
cp "$BUILD/tools/demo/orvik-demo-player.exe" "$DEMO/Tunova/tunova.exe"
cp "$BUILD/tools/demo/orvik-demo-songlist.exe" "$DEMO/Tunova/songlist.exe"
cp "$ROOT/data/images/tunovaPRO.png" "$DEMO/service/banners/event-pro.png"
printf -v FILLER '%0.s lalala' {1..512}
write_songs() {  # folder first last
  local n block name
  for ((n = $2; n <= $3; n++)); do
    block="$1/K$((n / 1000))000"
    [ -d "$block" ] || mkdir -p "$block"
    printf -v name '%05d.sgd' "$n"
    printf 'SGD demo song %05d\n%s\n' "$n" "$FILLER" >"$block/$name"
  done
}
write_songs "$DEMO/Tunova/Songs" 1 250
write_songs "$DEMO/Tunova/Songs" 1000 1099
write_songs "$DEMO/Tunova/Songs" 2001 2001
write_songs "$DEMO/service/catalog" 1 250
write_songs "$DEMO/service/catalog" 1000 1249

"$SONGSVC" --catalog "$DEMO/service/catalog" --banners "$DEMO/service/banners" \
  --work "$DEMO/service/work" --certs "$E2E/certs" --delay-ms 0 \
  >"$E2E/songsvc.out" 2>"$E2E/songsvc.err" &
pids+=($!)
for ((i = 0; i < 600; i++)); do
  grep -q '^ca=' "$E2E/songsvc.out" 2>/dev/null && break
  kill -0 "${pids[-1]}" 2>/dev/null || { cat "$E2E/songsvc.err"; exit 1; }
  sleep 0.1
done
grep -q '^ca=' "$E2E/songsvc.out" || {
  echo "FAIL: the song service did not start within 60 s"
  cat "$E2E/songsvc.err"
  exit 1
}
value() { sed -n "s/^$1=//p" "$E2E/songsvc.out"; }
cp "$(value ca)" "$DEMO/service/ca.pem"

# Windows paths; CRLF as Notepad writes it. The launcher writes the file back on close.
sed 's/$/\r/' >"$DEMO/setting.env" <<EOT
[settings]
service=tunova
run=tunova

[songs]
tunova=C:\\Orvik\\Tunova\\Songs

[run]
tunova=C:\\Orvik\\Tunova\\tunova.exe

[list]
tunova=C:\\Orvik\\Tunova\\songlist.exe

[config]
useConfig=0

[service]
url=$(value http)
secureUrl=$(value https)
caFile=C:\\Orvik\\service\\ca.pem

[product]
number=1234-56-7890
kind=0
EOT

failures=0
check() {  # description command...
  local what=$1
  shift
  if "$@"; then echo "ok:   $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
songs_in() { (cd "$1" && find . -name '*.sgd' | sort); }
same_songs() {
  local f
  while read -r f; do cmp -s "$DEMO/service/catalog/$f" "$DEMO/Tunova/Songs/$f" || return 1; done \
    < <(songs_in "$DEMO/service/catalog")
}
store_equals_catalogue() {
  [ "$(songs_in "$DEMO/Tunova/Songs")" = "$(songs_in "$DEMO/service/catalog")" ] && same_songs
}
log_count() { grep -c "^$1 " "$DEMO/Tunova/player.log" 2>/dev/null || true; }

run_launcher() {  # name
  (cd "$DEMO/Tunova" && exec "$WINE" 'C:\Orvik\orvik.exe') >"$E2E/orvik-$1.out" 2>&1 &
  local launcher=$!
  local status=0
  STOP_PLAYER="$WINE taskkill /pid" CLOSE_LAUNCHER="$WINE taskkill /im orvik.exe" \
    bash "$ROOT/scripts/demo-walkthrough.sh" --dir "$DEMO" --launcher "$launcher" || status=$?
  kill "$launcher" 2>/dev/null || true
  wait "$launcher" 2>/dev/null || true
  rm -rf "$E2E/screenshots-$1"
  cp -r "$DEMO/screenshots" "$E2E/screenshots-$1"
  return "$status"
}

log_lines() { tr -d '\r' <"$DEMO/logs/orvik.log" 2>/dev/null | grep -c "$1" || true; }
# Both walkthroughs: the start-up's line, the window's start line, its end at closing.
windowed_runs_logged() {
  (($(log_lines 'run: orvik$') >= 2)) && (($(log_lines 'start: Orvik') >= 2)) &&
    (($(log_lines 'end: the window has closed') >= 2))
}
# orvik.exe --sync with no display at all: a window could not even be made. Its output goes
# to files, as a scheduled task's redirection would have it.
run_sync() {  # expected-exit-code name
  local status=0
  (cd "$DEMO/Tunova" && exec env -u DISPLAY "$WINE" 'C:\Orvik\orvik.exe' --sync) \
    >"$E2E/sync-$2.out" 2>"$E2E/sync-$2.err" </dev/null || status=$?
  echo "      exit code $status; output:"
  sed 's/^/      | /' "$E2E/sync-$2.out" "$E2E/sync-$2.err"
  [ "$status" -eq "$1" ]
}
sync_logged() {  # what its end line says
  local log
  log=$(sed -n '/run: orvik --sync/,$p' "$DEMO/logs/orvik.log")
  grep -q 'sync: started without a window' <<<"$log" && grep -q "end: $1" <<<"$log"
}
sync_beside_launcher() {
  local before launcher status=0 deadline
  before=$(log_lines 'start: Orvik')
  (cd "$DEMO/Tunova" && exec "$WINE" 'C:\Orvik\orvik.exe') >"$E2E/orvik-beside.out" 2>&1 &
  launcher=$!
  deadline=$((SECONDS + 60))
  # The window has started once its start line is in the log; the lock is taken before.
  until (($(log_lines 'start: Orvik') > before)); do
    ((SECONDS < deadline)) && kill -0 "$launcher" 2>/dev/null || {
      echo "      the launcher did not start"
      return 1
    }
    sleep 0.2
  done
  run_sync 3 beside || status=$?
  "$WINE" taskkill /im orvik.exe >/dev/null 2>&1 || true
  wait "$launcher" 2>/dev/null || true
  ((status == 0)) && grep -q 'another launcher holds' "$E2E/sync-beside.err"
}

echo "== first start: update and player"
started=$SECONDS
check "the walkthrough of the update passed" run_launcher update
check "every catalogue song is in the store, byte for byte" same_songs
check "the song list was made after the update (501 songs)" grep -q 'songs=501' "$DEMO/Tunova/songlist.txt"
check "the player started twice" test "$(log_count started)" -eq 2
check "the player ended twice" test "$(log_count ended)" -eq 2
check "no package archive is left" test -z "$(compgen -G "$DEMO/*.zip" || true)"

echo "== second start: removal of the withdrawn song"
check "the walkthrough of the removal passed" run_launcher removal
check "the store now equals the catalogue" store_equals_catalogue
check "the windowed runs wrote the log" windowed_runs_logged

echo "== orvik.exe --sync beside a running orvik.exe"
check "a sync beside a running launcher exited 3" sync_beside_launcher

# Last: a program started without a display leaves this Wine session unable to open windows
# for the 32-bit programs that come after it.
echo "== orvik.exe --sync: no window, redirected output, the log"
# New songs in the catalogue: the service offers a package with them.
write_songs "$DEMO/service/catalog" 3000 3049
check "the sync installed the new songs and exited 0" run_sync 0 first
check "the store equals the catalogue after the sync" store_equals_catalogue
check "the sync's progress went to the redirected output" \
  grep -qE 'MB / [0-9.]+MB \([0-9]+%\)' "$E2E/sync-first.out"
check "the sync's lines are in logs/orvik.log" sync_logged "exit code 0"
echo "Screenshots: $E2E/screenshots-update, $E2E/screenshots-removal (${ARCH}, $((SECONDS - started)) s)"

((failures == 0)) || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
