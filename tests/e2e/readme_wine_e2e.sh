#!/usr/bin/env bash
# Runs the README's "Trying it under Wine on Linux" lines exactly as written there (they are
# read from the README, so this test follows them and fails when they stop working): the
# package is built, installed into the Wine prefix of build-win64, and the installed
# orvik.exe opens its window (on an Xvfb display of its own); the test then closes it.
#   bash tests/e2e/readme_wine_e2e.sh
# Exits 77 (skipped, with the reason) when Wine or Xvfb is not installed.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
for tool in wine Xvfb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

# The indented block under the heading: one command a line.
mapfile -t lines < <(awk '
  /^### Trying it under Wine on Linux/ { inside = 1; next }
  inside && /^    / { print substr($0, 5); seen = 1; next }
  inside && seen { exit }
  inside && /^#/ { exit }' README.md)
((${#lines[@]} >= 2)) || { echo "FAIL: no command block under \"Trying it under Wine on Linux\""; exit 1; }
last=${lines[-1]}
[[ $last == *orvik.exe* ]] || { echo "FAIL: the block's last line does not start orvik.exe: $last"; exit 1; }
printf 'README:\n'
printf '  | %s\n' "${lines[@]}"

WORK="$ROOT/build-win64/readme-e2e"
mkdir -p "$WORK"
source scripts/lib/xvfb.sh
xvfb_start "$WORK" || exit 1
trap 'kill -TERM "$XVFB_PID" 2>/dev/null || true' EXIT

# The lines run in one shell (the sourced Wine set-up carries over to the lines after it);
# the last one starts the launcher, which runs until its window is closed, so it runs in
# the background and the test waits for the window's start line in the launcher's log.
{
  echo 'set -euo pipefail'
  printf '%s\n' "${lines[@]:0:${#lines[@]}-1}"
  cat <<'EOT'
log="$WINEPREFIX/drive_c/Orvik/logs/orvik.log"
count() { tr -d '\r' 2>/dev/null <"$log" | grep -c "$1" || true; }
starts=$(count 'start: Orvik')
ends=$(count 'end: the window has closed')
EOT
  printf '%s &\n' "$last"
  cat <<'EOT'
launcher=$!
status=0
deadline=$((SECONDS + 90))
until (($(count 'start: Orvik') > starts)); do
  if ((SECONDS >= deadline)) || ! kill -0 "$launcher" 2>/dev/null; then
    echo "FAIL: orvik.exe did not open its window"
    status=1
    break
  fi
  sleep 0.2
done
# Closed as the close box would (taskkill without /f sends WM_CLOSE). The 64-bit taskkill:
# the 32-bit one that plain "wine" runs does not see 64-bit processes.
echo "closing orvik.exe"
"$(command -v wine64 || echo /usr/lib/wine/wine64)" taskkill /im orvik.exe || true
deadline=$((SECONDS + 60))
while kill -0 "$launcher" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.2; done
if kill -0 "$launcher" 2>/dev/null; then
  echo "FAIL: orvik.exe is still running a minute after it was asked to close"
  status=1
elif ((status == 0)) && (($(count 'end: the window has closed') <= ends)); then
  echo "FAIL: orvik.exe did not close its window"
  status=1
fi
wine_env_stop
exit "$status"
EOT
} >"$WORK/readme-lines.sh"

if bash "$WORK/readme-lines.sh" >"$WORK/readme-lines.out" 2>&1; then
  echo "ok:   the README's Wine lines build, install and start orvik.exe"
else
  sed 's/^/      | /' "$WORK/readme-lines.out" | tail -30
  echo "FAIL: the README's Wine lines did not work as written"
  exit 1
fi
