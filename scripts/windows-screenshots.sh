#!/usr/bin/env bash
# Screenshots of every state of the Win32 window under Wine, after tests/e2e/windows_e2e.sh
# has installed the launcher into BUILD/e2e's Wine prefix:
#   bash scripts/windows-screenshots.sh --arch win64|win32 --build WINBUILD --native LINUXBUILD
# Saves BUILD/e2e/screens/NN-state.png: idle, about, update ready, downloading (the service
# held still with SIGSTOP so the speed shows), unpacking (7-Zip held still), finished, the
# progress dialog, and a bad day (the service gone during a download, after Enter asked whether
# to end the launcher). On the way it checks the keys: Escape in the progress dialog, Enter on
# the main window idle (ends it) and during an update (asks). BUILD/e2e/screens/window/
# holds the same states cut to the main window's client area, and NAME-box.png the box open.
# With --qt DIR (the Qt window's tests/ui/screenshots) and --side-by-side OUT, OUT/STATE.png
# shows the Qt window left and the Win32 window right, reduced to a few dozen kB each.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
ARCH="" BUILD="" NATIVE="" QT="" SIDE=""
while (($#)); do
  case "$1" in
    --arch) ARCH=$2; shift 2 ;;
    --build) BUILD=$(cd "$2" && pwd); shift 2 ;;
    --native) NATIVE=$(cd "$2" && pwd); shift 2 ;;
    --qt) QT=$(cd "$2" && pwd); shift 2 ;;
    --side-by-side) SIDE=$2; shift 2 ;;
    *) echo "windows-screenshots.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
case "$ARCH" in
  win64) WINE=$(command -v wine64 || echo /usr/lib/wine/wine64) ;;
  win32) WINE=wine ;;
  *) echo "windows-screenshots.sh: --arch win64|win32" >&2; exit 2 ;;
esac
E2E="$BUILD/e2e"
SHOTS="$E2E/screens"
source "$ROOT/scripts/wine-env.sh"
DEMO_PREFIX="$E2E/wine-prefix"
DEMO="$DEMO_PREFIX/drive_c/Orvik"
[ -f "$DEMO/orvik.exe" ] || { echo "run tests/e2e/windows_e2e.sh first" >&2; exit 1; }
mkdir -p "$SHOTS/window"
rm -f "$SHOTS"/*.png "$SHOTS"/window/*.png

pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -CONT "${pids[i]}" 2>/dev/null || true
    kill -TERM "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  wine_env_stop
}
trap cleanup EXIT
source "$ROOT/scripts/lib/xvfb.sh"
xvfb_start "$E2E" || exit 1
pids+=("$XVFB_PID")
wine_env_start "$E2E"

start_service() {
  "$NATIVE/tools/songsvc/orvik-songsvc" --catalog "$DEMO/service/catalog" \
    --banners "$DEMO/service/banners" --work "$DEMO/service/work" --certs "$E2E/certs" \
    >"$E2E/shots-songsvc.out" 2>&1 &
  service=$!
  pids+=("$service")
  until grep -q '^ca=' "$E2E/shots-songsvc.out" 2>/dev/null; do sleep 0.1; done
  local http https
  http=$(sed -n 's/^http=//p' "$E2E/shots-songsvc.out")
  https=$(sed -n 's/^https=//p' "$E2E/shots-songsvc.out")
  sed -i "s|^url=.*|url=$http\r|; s|^secureUrl=.*|secureUrl=$https\r|" "$DEMO/setting.env"
}
wait_for() {  # seconds command...
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || { echo "timed out: $*" >&2; import -window root "$SHOTS/failure.png"; exit 1; }
    sleep 0.2
  done
}
screen() {
  local box
  import -window root "$SHOTS/$1.png"
  import -window "$window" "$SHOTS/window/$1.png"
  box=$(xdotool search --onlyvisible --pid "$launcher" 2>/dev/null | grep -vx "$window" |
    tail -n1) || true
  [ -z "$box" ] || import -window "$box" "$SHOTS/window/$1-box.png"
  echo "$SHOTS/$1.png"
}
main_window() { window=$(xdotool search --onlyvisible --name '^ $' 2>/dev/null | head -n1) && [ -n "$window" ]; }
boxes() { [ "$(xdotool search --onlyvisible --pid "$launcher" 2>/dev/null | wc -l)" -ge "$1" ]; }
# The package being downloaded (<product>.zip.part) has passed 100 kB.
download_grew() { [ "$(stat -c %s "$DEMO"/*.zip.part 2>/dev/null | head -n1)" -gt 100000 ] 2>/dev/null; }
seven_zip() {  # this prefix's 7-Zip (other Wine prefixes may run one too)
  local pid
  for pid in $(pgrep -f 'Orvik.bin.7z.7za\.exe'); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      sevenzip=$pid
      return 0
    fi
  done
  return 1
}
dismiss() {  # the box in front (Return), tried again while it stays
  local attempt box
  for attempt in 1 2 3 4 5; do
    box=$(xdotool search --onlyvisible --pid "$launcher" 2>/dev/null | grep -vx "$window" | tail -n1) || true
    [ -n "$box" ] || return 0
    timeout 5 xdotool windowfocus --sync "$box" 2>/dev/null || true
    xdotool key --clearmodifiers "${1:-Return}"
    for _ in $(seq 10); do
      boxes 2 || return 0
      sleep 0.2
    done
  done
}
press() {  # window keys: the keys go to that window, once (no retry hides a key that failed)
  local window=$1
  shift
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --clearmodifiers "$@"
}
box() { xdotool search --onlyvisible --pid "$launcher" 2>/dev/null | grep -vx "$window" | tail -n1; }
no_box() { ! boxes 2; }
launcher_gone() { ! boxes 1; }
command_() { "$WINE" "$BUILD/tools/demo/orvik-demo-command.exe" "$@"; }
start_launcher() {
  (cd "$DEMO/Tunova" && exec "$WINE" 'C:\Orvik\orvik.exe') >/dev/null 2>&1 &
  launcher=$!
  pids+=("$launcher")
  wait_for 30 main_window
}
close_launcher() {
  "$WINE" taskkill /im orvik.exe >/dev/null 2>&1 || true
  wait "$launcher" 2>/dev/null || true
}

face_is() {  # the shared button place shows the skin face ID (160: update ready, 158: run)
  local diff
  diff=$(import -window "$window" -crop 163x80+526+420 +repage png:- 2>/dev/null |
    compare -metric AE -fuzz 10% - "$ROOT/src/ui/res/png/$1.png" null: 2>&1 || true)
  diff=${diff%%.*}
  [[ $diff =~ ^[0-9]+$ ]] && ((diff < 6000))
}
face_is_ready() { face_is 160; }
download_over() { face_is 160 || face_is 158; }
offer_update() {  # songs of 1 MiB the store lacks, so that the download and unpacking last
  local n
  rm -rf "$DEMO/service/catalog/K3000" "$DEMO/Tunova/Songs/K3000" "$DEMO"/*.zip* \
    "$DEMO/Tunova/songlist.txt"
  mkdir -p "$DEMO/service/catalog/K3000"
  for ((n = 3000; n < 3000 + $1; n++)); do
    head -c 1048576 /dev/urandom >"$DEMO/service/catalog/K3000/0$n.sgd"
  done
}

offer_update 300
start_service
start_launcher
screen 01-idle
command_ syscommand 16
wait_for 10 boxes 2
screen 02-about
dismiss
wait_for 60 face_is_ready
screen 03-update-ready
xdotool mousemove --window "$window" 607 460 click 1
wait_for 60 download_grew
kill -STOP "$service"
screen 04-downloading
kill -CONT "$service"
wait_for 60 seven_zip
kill -STOP "$sevenzip"
screen 05-unpacking
kill -CONT "$sevenzip"
wait_for 60 boxes 2
screen 06-finished
dismiss
wait_for 30 test -s "$DEMO/Tunova/songlist.txt"
command_ command 1003
wait_for 10 boxes 2
screen 07-list-question
dismiss
wait_for 10 boxes 2
screen 08-progress-dialog
# The progress dialog takes the keyboard: Tab moves, Escape cancels and closes it.
press "$(box)" Tab Escape
wait_for 10 no_box
# Enter on the main window ends the launcher, as Escape does (nothing to ask when idle).
press "$window" Return
wait_for 20 launcher_gone
close_launcher

# A bad day: the service goes away in the middle of a download.
offer_update 300
start_launcher
wait_for 60 face_is_ready
xdotool mousemove --window "$window" 607 460 click 1
wait_for 60 download_grew
# Enter during the update asks first; "아니요" keeps the download going.
kill -STOP "$service"
press "$window" Return
wait_for 10 boxes 2
screen 10-enter-during-update
press "$(box)" n
wait_for 10 no_box
kill -CONT "$service"
kill -KILL "$service"
# The window says why, and offers the update again or the run button.
wait_for 60 download_over
screen 09-bad-day-download-failed
close_launcher

# The two front ends side by side, state by state (Qt name, Win32 name).
if [ -n "$QT" ] && [ -n "$SIDE" ]; then
  mkdir -p "$SIDE"
  while read -r qt win; do
    [ -f "$QT/$qt.png" ] && [ -f "$SHOTS/window/$win.png" ] || continue
    convert "$QT/$qt.png" -size 12x1 xc:white "$SHOTS/window/$win.png" -background white \
      +append -resize 60% +dither -colors 96 "png8:$SIDE/$qt.png"
    echo "$SIDE/$qt.png"
  done <<'PAIRS'
idle 01-idle
about 02-about-box
update-ready 03-update-ready
downloading 04-downloading
unpacking 05-unpacking
finished 06-finished
progress 08-progress-dialog-box
PAIRS
fi
