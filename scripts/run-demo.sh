#!/usr/bin/env bash
# Runs the launcher on a demo installation against the reference song service.
#
#   bash scripts/run-demo.sh [--build BUILD] [--dir DEMO] [--fresh] [--headless]
#                            [--delay-ms N] [--sync]
#
# Makes or refreshes the demo folder (make-demo.sh), starts orvik-songsvc on loopback,
# points setting.env at it and starts the launcher: on $DISPLAY, or under Xvfb when there is
# none or --headless is given. Under Xvfb nobody can press a button, so demo-walkthrough.sh
# does it and saves screenshots in DEMO/screenshots/. Closing the launcher stops the service.
# --sync runs `orvik --sync` instead, with no display at all.
# Exit status: the launcher's, or the walkthrough's when it ran.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build"
DEMO="$ROOT/demo"
FRESH=()
HEADLESS=0
SYNC=0
[ -n "${DISPLAY:-}" ] || HEADLESS=1
DELAY_MS=1500  # the package is "prepared" for a moment, as on the real service
while (($#)); do
  case "$1" in
    --build) BUILD=$(cd "$2" && pwd); shift 2 ;;
    --dir) DEMO=$2; shift 2 ;;
    --fresh) FRESH=(--fresh); shift ;;
    --headless) HEADLESS=1; shift ;;
    --delay-ms) DELAY_MS=$2; shift 2 ;;
    --sync) SYNC=1; shift ;;
    *) echo "run-demo.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

bash "$ROOT/scripts/make-demo.sh" --build "$BUILD" --dir "$DEMO" "${FRESH[@]}"
DEMO=$(cd "$DEMO" && pwd)
LOGS="$DEMO/logs"

pids=()
cleanup() {
  # Newest first: the launcher, then the display and the service it used.
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Waits until FILE holds a line matching PATTERN; fails after SECONDS or when PID ends.
wait_for_line() {  # file pattern seconds pid
  local deadline=$((SECONDS + $3))
  until grep -q "$2" "$1" 2>/dev/null; do
    if ((SECONDS >= deadline)) || ! kill -0 "$4" 2>/dev/null; then return 1; fi
    sleep 0.1
  done
}

# The reference service, on free ports; it prints its addresses once it listens.
# The files the waits below read are emptied here, before the programs start: a background
# job's own redirection truncates them only when that job gets to run, and until then a
# wait would read the previous start's lines (the old service's addresses).
: >"$LOGS/songsvc.out"
: >"$LOGS/xvfb.display"
"$BUILD/tools/songsvc/orvik-songsvc" --catalog "$DEMO/service/catalog" \
  --banners "$DEMO/service/banners" --work "$DEMO/service/work" --certs "$DEMO/service/certs" --delay-ms "$DELAY_MS" \
  >"$LOGS/songsvc.out" 2>"$LOGS/songsvc.err" &
pids+=($!)
if ! wait_for_line "$LOGS/songsvc.out" '^ca=' 30 "${pids[-1]}"; then
  echo "run-demo.sh: the song service did not start:" >&2
  cat "$LOGS/songsvc.err" >&2
  exit 1
fi
value() { sed -n "s/^$1=//p" "$LOGS/songsvc.out"; }

# Rewritten at every start: the service's ports change. The launcher writes it back on close.
cat >"$DEMO/setting.env" <<EOF
[settings]
service=tunova
run=tunova

[songs]
tunova=$DEMO/Tunova/Songs

[run]
tunova=$DEMO/Tunova/tunova

[list]
tunova=$DEMO/Tunova/songlist

[config]
useConfig=0

[service]
url=$(value http)
secureUrl=$(value https)
caFile=$(value ca)

[product]
number=1234-56-7890
kind=0
EOF

if ((SYNC)); then
  status=0
  (cd "$DEMO/Tunova" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$DEMO/orvik" --sync) || status=$?
  exit "$status"
fi

if ((HEADLESS)); then
  source "$ROOT/scripts/lib/xvfb.sh"
  xvfb_start "$LOGS" || { echo "run-demo.sh: no Xvfb display" >&2; exit 1; }
  pids+=("$XVFB_PID")
  # The walkthrough drives an X window: a caller's QT_QPA_PLATFORM (offscreen in the test
  # suite) would leave nothing on the display to press.
  export QT_QPA_PLATFORM=xcb
fi

echo "Demo installation: $DEMO"
echo "Song service:      $(value http) and $(value https)"

# The installation folder of a real player is the launcher's current folder while it runs.
(cd "$DEMO/Tunova" && exec "$DEMO/orvik") >"$LOGS/orvik.out" 2>"$LOGS/orvik.err" &
pids+=($!)
launcher=${pids[-1]}

status=0
if ((HEADLESS)); then
  echo "No display to show it on: the launcher runs under Xvfb ($DISPLAY); a walkthrough"
  echo "presses its buttons and saves screenshots in $DEMO/screenshots/"
  bash "$ROOT/scripts/demo-walkthrough.sh" --dir "$DEMO" --launcher "$launcher" || status=$?
else
  echo "The launcher is open on $DISPLAY; close its window to end the demo."
  wait "$launcher" || status=$?
fi

cleanup
pids=()
echo "Song store now: $(find "$DEMO/Tunova/Songs" -name '*.sgd' | wc -l) songs;" \
  "catalogue: $(find "$DEMO/service/catalog" -name '*.sgd' | wc -l) songs."
if [ -n "$(find "$DEMO/Tunova/Songs" -name '02001.sgd')" ]; then
  echo "Song 2001 is withdrawn from the catalogue; the service asks for its removal once"
  echo "nothing is left to add: run the demo again (without --fresh) to see it removed."
fi
exit "$status"
