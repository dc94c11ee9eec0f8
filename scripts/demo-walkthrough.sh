#!/usr/bin/env bash
# Presses the launcher's buttons the way an operator would, on a display nobody looks at,
# and saves screenshots of each step in DEMO/screenshots/. run-demo.sh calls it under Xvfb.
#
#   bash scripts/demo-walkthrough.sh --dir DEMO --launcher PID
#
# What it does depends on the store:
#   songs to add     waits for the update offer, presses the update button, confirms the
#                    "finished" message, waits for the song list, then runs the player twice
#   only a withdrawn song left   waits until the launcher has removed it
#   up to date       runs the player twice
# Running the player twice shows that the launcher noticed the first one end: its run
# button is pressed again only after it has been released.
# Every wait has a time-out; on failure it saves failure.png and exits 1.
# Under Wine the player's pid is a Windows one and the launcher closes through its window:
# STOP_PLAYER (given the player's pid) and CLOSE_LAUNCHER replace the signals then.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DEMO=""
LAUNCHER=""
while (($#)); do
  case "$1" in
    --dir) DEMO=$(cd "$2" && pwd); shift 2 ;;
    --launcher) LAUNCHER=$2; shift 2 ;;
    *) echo "demo-walkthrough.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$DEMO" ] || [ -z "$LAUNCHER" ]; then
  echo "usage: demo-walkthrough.sh --dir DEMO --launcher PID" >&2
  exit 2
fi
: "${DISPLAY:?demo-walkthrough.sh needs a display}"

SHOTS="$DEMO/screenshots"
STORE="$DEMO/Tunova/Songs"
CATALOG="$DEMO/service/catalog"
PLAYER_LOG="$DEMO/Tunova/player.log"
FACES="$ROOT/src/ui/res/png"
# Buttons 1040 (update) and 1041 (run) share this client rectangle; its centre is pressed.
BUTTON_CROP=163x80+526+420
BUTTON_X=607
BUTTON_Y=460
mkdir -p "$SHOTS"
rm -f "$SHOTS"/*.png

step() { echo "[walkthrough ${SECONDS}s] $*"; }
window=""
fail() {
  echo "demo-walkthrough.sh: $*" >&2
  import -display "$DISPLAY" -window root "$SHOTS/failure.png" 2>/dev/null || true
  echo "demo-walkthrough.sh: screen saved as $SHOTS/failure.png" >&2
  exit 1
}
launcher_alive() { kill -0 "$LAUNCHER" 2>/dev/null; }

# Polls COMMAND every 0.2 s until it succeeds; fails with WHAT after SECONDS.
wait_until() {  # seconds what command...
  local deadline=$((SECONDS + $1)) what=$2
  shift 2
  until "$@"; do
    launcher_alive || fail "the launcher ended while waiting for: $what"
    ((SECONDS < deadline)) || fail "timed out waiting for: $what"
    sleep 0.2
  done
}

shot() {  # name: the launcher's window
  import -display "$DISPLAY" -window "$window" "$SHOTS/$1.png"
  step "screenshot $SHOTS/$1.png"
}
screen_shot() {  # name: the whole screen (message boxes and the player are windows of their own)
  import -display "$DISPLAY" -window root "$SHOTS/$1.png"
  step "screenshot $SHOTS/$1.png"
}

main_window() {
  window=$(xdotool search --all --onlyvisible --pid "$LAUNCHER" --name '^ $' 2>/dev/null |
    head -n1) && [ -n "$window" ]
}
other_window() {  # a second visible window of the launcher: a message box
  box=$(xdotool search --onlyvisible --pid "$LAUNCHER" 2>/dev/null | grep -vx "$window" |
    head -n1) && [ -n "$box" ]
}

# Which skin face the shared button place shows: update, update-ready, run, run-pressed or
# none (hidden, e.g. while a package downloads). The faces are drawn slightly scaled, so
# the nearest one wins, if it is near enough (the four differ from each other in ~12,600 of
# the 13,040 pixels; the drawn face differs from its picture in ~2,700).
button_face() {
  local crop best=none best_diff=6000 name id diff
  crop=$(mktemp --suffix=.png)
  import -display "$DISPLAY" -window "$window" -crop "$BUTTON_CROP" +repage "$crop" 2>/dev/null ||
    { rm -f "$crop"; echo none; return; }
  for name in update:159 update-ready:160 run:158 run-pressed:169; do
    id=${name#*:}
    diff=$(compare -metric AE -fuzz 10% "$crop" "$FACES/$id.png" null: 2>&1 || true)
    diff=${diff%%.*}
    if [[ $diff =~ ^[0-9]+$ ]] && ((diff < best_diff)); then
      best=${name%:*}
      best_diff=$diff
    fi
  done
  rm -f "$crop"
  echo "$best"
}
face_is() { [ "$(button_face)" = "$1" ]; }

press_button() { xdotool mousemove --window "$window" "$BUTTON_X" "$BUTTON_Y" click 1; }

songs_in() { (cd "$1" && find . -name '*.sgd' | sort); }
player_count() {  # started|ended: lines of that event in the player's log
  local n
  n=$(grep -c "^$1 " "$PLAYER_LOG" 2>/dev/null) || true
  echo "${n:-0}"
}
count_above() { (($(player_count "$1") > $2)); }
package_on_disk() { compgen -G "$DEMO/*.zip" >/dev/null || compgen -G "$DEMO/*.zip.part" >/dev/null; }
box_or_package() { other_window || package_on_disk; }
stale_gone() {
  local f
  for f in $stale; do [ ! -e "$STORE/$f" ] || return 1; done
}

# Confirms the message box: no window manager under Xvfb, so the box gets the focus directly.
# Tried again while the box stays (a key can arrive before the focus). Return goes only to a
# box that has the focus: on the main window it closes the launcher, as Escape does, and a
# slow box may close from the first key while a second one is under way.
dismiss_box() {
  local attempt
  for attempt in 1 2 3 4 5; do
    timeout 5 xdotool windowfocus --sync "$box" 2>/dev/null || true
    if other_window && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$box" ]; then
      xdotool key --clearmodifiers Return
    fi
    for _ in $(seq 50); do
      other_window || return 0
      sleep 0.2
    done
    step "the message box is still open (attempt $attempt)"
  done
  fail "the message box did not close"
}

run_player_twice() {
  local round started ended player
  for round in 1 2; do
    started=$(player_count started)
    ended=$(player_count ended)
    step "run button: press $round"
    press_button
    wait_until 20 "the player to start" count_above started "$started"
    wait_until 10 "the run button to stay pressed while the player runs" face_is run-pressed
    ((round == 2)) || screen_shot 05-player-running
    player=$(sed -n 's/^started //p' "$PLAYER_LOG" | tail -n1)
    step "player $player runs; closing it"
    ${STOP_PLAYER:-kill -TERM} "$player" >/dev/null
    wait_until 10 "the player to end" count_above ended "$ended"
    # The launcher looks for the player every two seconds and then releases the button.
    wait_until 15 "the run button to be released after the player ended" face_is run
    ((round == 2)) || shot 06-player-ended
  done
}

wait_until 30 "the launcher's window" main_window
step "launcher window $window"
shot 01-started

missing=$(comm -13 <(songs_in "$STORE") <(songs_in "$CATALOG") | wc -l)
stale=$(comm -23 <(songs_in "$STORE") <(songs_in "$CATALOG"))

if ((missing > 0)); then
  step "$missing songs to add: waiting for the update offer"
  wait_until 40 "the update button to offer the package" face_is update-ready
  shot 02-update-offered
  press_button
  wait_until 10 "the download to start" box_or_package
  step "downloading and unpacking"
  wait_until 60 "the update to finish (message box)" other_window
  screen_shot 03-update-finished
  dismiss_box
  wait_until 20 "the song list program to write songlist.txt" test -s "$DEMO/Tunova/songlist.txt"
  wait_until 10 "the run button" face_is run
  shot 04-updated
  missing=$(comm -13 <(songs_in "$STORE") <(songs_in "$CATALOG") | wc -l)
  ((missing == 0)) || fail "$missing catalogue songs are still missing from the store"
  run_player_twice
elif [ -n "$stale" ]; then
  step "withdrawn songs in the store: ${stale//$'\n'/ }"
  wait_until 30 "the launcher to remove the withdrawn songs" stale_gone
  shot 02-removed
else
  step "the store is up to date"
  wait_until 30 "the run button" face_is run
  shot 02-up-to-date
  run_player_twice
fi

step "closing the launcher"
if [ -n "${CLOSE_LAUNCHER:-}" ]; then
  $CLOSE_LAUNCHER >/dev/null
else
  kill -TERM "$LAUNCHER"
fi
deadline=$((SECONDS + 20))
while kill -0 "$LAUNCHER" 2>/dev/null; do
  ((SECONDS < deadline)) || { echo "demo-walkthrough.sh: the launcher did not close" >&2; exit 1; }
  sleep 0.1
done
step "done"
