#!/usr/bin/env bash
# End-to-end test of the Windows build under Wine: the installer installs silently into a
# Wine prefix (a product number of the wrong form is refused; /PRODUCT= and /SONGS= write
# setting.env; its own uninstall entry), and the installed orvik.exe runs twice against the
# native reference service (HTTPS on localhost with a caFile), driven by demo-walkthrough.sh:
#   1st start: the update button downloads and unpacks the package; the store then holds
#              every catalogue song byte for byte; the song list is made; the player
#              starts from the run button (twice) and its end is noticed.
#   2nd start: the song the catalogue no longer has is removed.
#   --sync:    new catalogue songs are installed with no window (no display at all), exit 0,
#              progress in the redirected output, its lines in logs/orvik.log; beside a
#              running orvik.exe a second --sync exits 3. Windowed runs write the log too.
#   After:     --history lists what the sync brought; --verify finds the store sound, then
#              sets an emptied song aside (exit 1), and the next --sync brings it back.
#   Signed:    build-windows.sh --sign makes signed packages with a throwaway certificate;
#              osslsigncode verifies the setup, orvik.exe and the uninstaller.
#   Reinstall: the signed setup, run over the installation while orvik.exe is open, closes
#              it and keeps setting.env and data.r4x.
#   Uninstall: removes the program and a leftover package (zip, .part, .info), keeps
#              setting.env, data.r4x and logs\.
#   Earlier:   with no installation of its own, the setup installs into the players' folder
#              when an earlier launcher kept its data.r4x there.
#   README:    (win64) tests/e2e/readme_wine_e2e.sh runs the README's Wine lines.
#   bash tests/e2e/windows_e2e.sh --arch win64|win32 --build WINBUILD --native LINUXBUILD \
#                                 --setup SETUP.exe [--installer-only]
# --installer-only leaves out the walkthroughs and the sync runs.
# Exits 77 (skipped, with the reason) when Wine or the X tools cannot run here.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
ARCH="" BUILD="" NATIVE="" SETUP="" INSTALLER_ONLY=0
while (($#)); do
  case "$1" in
    --installer-only) INSTALLER_ONLY=1; shift ;;
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
UNINSTALL_KEY="Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvik-$ARCH"
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

failures=0
check() {  # description command...
  local what=$1
  shift
  if "$@"; then echo "ok:   $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

DEMO="$WINEPREFIX/drive_c/Orvik"
rm -rf "$DEMO"
"$WINE" reg delete "HKCU\\$UNINSTALL_KEY" /f >/dev/null 2>&1 || true
echo "== installing $(basename "$SETUP") silently"
refused() {  # arguments of the setup
  local status=0
  "$WINE" "$SETUP" /S "$@" '/D=C:\Orvik' || status=$?
  echo "      exit code $status"
  ((status == 2)) && [ ! -e "$DEMO/orvik.exe" ]
}
check "a product number of nine digits is refused (exit 2, nothing installed)" \
  refused '/PRODUCT=1234-56-789'
check "a product number with a letter is refused" refused '/PRODUCT=1234-56-789O'
# Thai has no place in code page 949: setting.env would get "?" for it.
check "a song folder the code page cannot write is refused" \
  refused '/PRODUCT=1234567890' '/SONGS=D:\เพลง'
"$WINE" "$SETUP" /S '/PRODUCT= 1234-56-7890 ' '/SONGS= D:\노래 모음\Songs ' '/D=C:\Orvik'
[ -f "$DEMO/orvik.exe" ] && [ -f "$DEMO/bin/7z/7za.exe" ] ||
  { echo "FAIL: the installer did not install orvik.exe and 7-Zip into C:\\Orvik"; exit 1; }
expected_settings() {
  # In the system's code page (949 under the Korean locale), as the launcher reads it.
  printf '%s\r\n' '[settings]' 'service=tunova' '' '[songs]' 'tunova=D:\노래 모음\Songs' '' \
    '[config]' 'useConfig=0' '' '[product]' 'number=1234-56-7890' 'kind=0' | iconv -f UTF-8 -t CP949
}
check "the installer wrote setting.env from /PRODUCT= and /SONGS=" \
  cmp -s "$DEMO/setting.env" <(expected_settings)
uninstall_entry() {  # the value InstallLocation of this architecture's entry
  "$WINE" reg query "HKCU\\$UNINSTALL_KEY" /v InstallLocation 2>/dev/null | tr -d '\r' |
    grep -q 'C:\\Orvik$'
}
check "the uninstall entry of $ARCH names C:\\Orvik" uninstall_entry

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

log_lines() { tr -d '\r' 2>/dev/null <"$DEMO/logs/orvik.log" | grep -c "$1" || true; }
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
# orvik.exe with an option that needs no window, its output in files.
run_cli() {  # expected-exit-code name arguments...
  local want=$1 name=$2 status=0
  shift 2
  (cd "$DEMO/Tunova" && exec env -u DISPLAY "$WINE" 'C:\Orvik\orvik.exe' "$@") \
    >"$E2E/cli-$name.out" 2>"$E2E/cli-$name.err" </dev/null || status=$?
  echo "      exit code $status; output:"
  sed 's/^/      | /' "$E2E/cli-$name.out" "$E2E/cli-$name.err" | head -n 20
  [ "$status" -eq "$want" ]
}
# An emptied song is damaged whether or not the store's record lists it.
damage_a_song() {
  DAMAGED=$(find "$DEMO/Tunova/Songs" -name '*.sgd' | sort | head -n 1)
  [ -n "$DAMAGED" ] && : >"$DAMAGED"
}
damaged_song_set_aside() {
  [ ! -e "$DAMAGED" ] &&
    [ -n "$(find "$DEMO/Tunova/Songs.quarantine" -name "$(basename "$DAMAGED")" 2>/dev/null)" ]
}
# Starts orvik.exe with its window in the background (its pid in LAUNCHER) and returns once
# the window has started: its start line is in the log (the folder lock is taken before).
start_window_launcher() {  # name of its output file
  local before deadline
  before=$(log_lines 'start: Orvik')
  (cd "$DEMO/Tunova" && exec "$WINE" 'C:\Orvik\orvik.exe') >"$E2E/orvik-$1.out" 2>&1 &
  LAUNCHER=$!
  deadline=$((SECONDS + 60))
  until (($(log_lines 'start: Orvik') > before)); do
    ((SECONDS < deadline)) && kill -0 "$LAUNCHER" 2>/dev/null || {
      echo "      the launcher did not start"
      return 1
    }
    sleep 0.2
  done
}
sync_beside_launcher() {
  local status=0
  start_window_launcher beside || return 1
  run_sync 3 beside || status=$?
  "$WINE" taskkill /im orvik.exe >/dev/null 2>&1 || true
  wait "$LAUNCHER" 2>/dev/null || true
  ((status == 0)) && grep -q 'another launcher holds' "$E2E/sync-beside.err"
}

# The system's scale at 150% (144 dpi): 1050 x 840 pixels of skin do not fit 768 rows, so the
# window opens at the largest scale that fits, title bar and all on the screen.
opens_whole_at_150_percent() {
  local launcher window="" geometry X=0 Y=0 WIDTH=0 HEIGHT=0 deadline status=0
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  (cd "$DEMO/Tunova" && exec "$WINE" 'C:\Orvik\orvik.exe') >"$E2E/orvik-dpi.out" 2>&1 &
  launcher=$!
  deadline=$((SECONDS + 60))
  until window=$(xdotool search --all --onlyvisible --pid "$launcher" --name '^ $' 2>/dev/null |
    head -n1) && [ -n "$window" ]; do
    ((SECONDS < deadline)) && kill -0 "$launcher" 2>/dev/null || { status=1; break; }
    sleep 0.2
  done
  if ((status == 0)); then
    sleep 1  # the first paint, for the picture
    geometry=$(xdotool getwindowgeometry --shell "$window")
    eval "$geometry"
    echo "      client area ${WIDTH}x${HEIGHT} at ${X},${Y}"
    import -display "$DISPLAY" -window root "$E2E/dpi-150-percent.png" 2>/dev/null || true
    # Scaled up from 700 x 560; below the title bar; nothing past the screen's edges.
    ((WIDTH > 760 && HEIGHT > 600 && X >= 0 && Y >= 20 && X + WIDTH <= 1024 &&
      Y + HEIGHT <= 768)) || status=1
  else
    echo "      the launcher's window did not show"
  fi
  "$WINE" taskkill /im orvik.exe >/dev/null 2>&1 || true
  wait "$launcher" 2>/dev/null || true
  "$WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
  return "$status"
}

if ((INSTALLER_ONLY == 0)); then
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

  echo "== a screen at 150% that cannot hold the skin at that scale (1024 x 768)"
  check "the window opened scaled up, whole on the screen" opens_whole_at_150_percent

fi

# Signed packages of this build, made with a throwaway certificate (no time stamp: no
# network here).
SIGNED_SETUP=""
CERT="$E2E/signing"
signed_packages() {
  rm -rf "$CERT" "$E2E/signed"
  mkdir -p "$CERT"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$CERT/key.pem" -out "$CERT/cert.pem" \
    -days 2 -subj "/CN=Orvik test signing" -addext "extendedKeyUsage=codeSigning" 2>/dev/null &&
    head -c 24 /dev/urandom | base64 >"$CERT/pass" &&
    openssl pkcs12 -export -inkey "$CERT/key.pem" -in "$CERT/cert.pem" -out "$CERT/cert.pfx" \
      -passout "file:$CERT/pass" &&
    bash "$ROOT/scripts/build-windows.sh" --arch "$ARCH" --dist "$E2E/signed" \
      --sign "$CERT/cert.pfx" --pass-file "$CERT/pass" >"$E2E/signed.out" 2>&1 || {
    sed 's/^/      | /' "$E2E/signed.out" 2>/dev/null
    return 1
  }
  SIGNED_SETUP=$(compgen -G "$E2E/signed/orvik-*-setup-$ARCH.exe")
}
signed() {  # file
  osslsigncode verify -CAfile "$CERT/cert.pem" -in "$1" 2>&1 | grep -q '^Signature verification: ok'
}
unsigned_refused() { ! signed "$SETUP"; }
echo "== signed packages"
if command -v osslsigncode >/dev/null && command -v openssl >/dev/null; then
  check "build-windows.sh --sign made the packages" signed_packages
  if [ -n "$SIGNED_SETUP" ]; then
    check "the setup is signed" signed "$SIGNED_SETUP"
    check "orvik.exe in the zip folder is signed" signed "$E2E/signed/stage-$ARCH/orvik.exe"
    check "the unsigned setup fails the verification" unsigned_refused
  fi
else
  echo "skip: osslsigncode or openssl is not installed"
fi
SETUP2=${SIGNED_SETUP:-$SETUP}

echo "== installing again over a running orvik.exe"
over_running_launcher() {
  local ends status=0
  ends=$(log_lines 'end: the window has closed')
  start_window_launcher reinstall || return 1
  "$WINE" "$SETUP2" /S '/D=C:\Orvik' || status=$?
  echo "      setup exit code $status"
  # The setup has returned: the launcher must be gone by now, closed through its window.
  kill -0 "$LAUNCHER" 2>/dev/null && { echo "      the launcher still runs"; status=1; }
  "$WINE" taskkill /im orvik.exe >/dev/null 2>&1 || true
  wait "$LAUNCHER" 2>/dev/null || true
  ((status == 0)) && (($(log_lines 'end: the window has closed') > ends))
}
check "the setup closed the running launcher and installed" over_running_launcher
if [ -n "$SIGNED_SETUP" ]; then
  check "the installed orvik.exe is signed" signed "$DEMO/orvik.exe"
  check "the installed uninstaller is signed" signed "$DEMO/uninstall.exe"
fi
keeps_room() {
  local before
  [ -s "$DEMO/data.r4x" ] || { echo "      no data.r4x after the launcher's start"; return 1; }
  before=$(md5sum "$DEMO/setting.env" "$DEMO/data.r4x" | cut -d' ' -f1)
  "$WINE" "$SETUP2" /S '/PRODUCT=9876543210' '/SONGS=D:\Elsewhere' '/D=C:\Orvik' || return 1
  [ "$(md5sum "$DEMO/setting.env" "$DEMO/data.r4x" | cut -d' ' -f1)" = "$before" ]
}
check "installing over the folder kept setting.env and data.r4x" keeps_room

if ((INSTALLER_ONLY == 0)); then
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
  echo "== orvik.exe --history, --verify: what the sync brought; a damaged song healed"
  check "--history lists the sync's 50 new songs" run_cli 0 history --history 3
  check "--history's lines went to the redirected output" grep -q '+50 -0' "$E2E/cli-history.out"
  check "--verify finds the store sound" run_cli 0 verify-sound --verify
  check "a song was emptied" damage_a_song
  check "--verify finds the damaged song and exits 1" run_cli 1 verify-damaged --verify
  check "the damaged song was set aside, not deleted" damaged_song_set_aside
  check "the next sync brings the song back and exits 0" run_sync 0 heal
  check "the store equals the catalogue again" store_equals_catalogue
  echo "Screenshots: $E2E/screenshots-update, $E2E/screenshots-removal (${ARCH}, $((SECONDS - started)) s)"
fi

echo "== uninstalling"
uninstalled() {
  local f
  # A package the launcher left behind, and files that are not one of its packages.
  for f in 1234567890.zip 1234567890.zip.part 1234567890.zip.info; do echo x >"$DEMO/$f"; done
  echo keep >"$DEMO/backup.zip"
  echo keep >"$DEMO/12a.zip"
  # _?= runs the uninstaller in place, so that its end can be waited for.
  "$WINE" 'C:\Orvik\uninstall.exe' /S '_?=C:\Orvik' || return 1
  for f in orvik.exe setting.env.example bin 1234567890.zip 1234567890.zip.part \
    1234567890.zip.info; do
    [ ! -e "$DEMO/$f" ] || { echo "      $f is left"; return 1; }
  done
  for f in setting.env data.r4x logs/orvik.log backup.zip 12a.zip; do
    [ -e "$DEMO/$f" ] || { echo "      $f was removed"; return 1; }
  done
  ! "$WINE" reg query "HKCU\\$UNINSTALL_KEY" >/dev/null 2>&1 || { echo "      the entry is left"; return 1; }
}
check "the uninstaller removed the program and the leftover package, kept the room's files" uninstalled

echo "== installing where an earlier launcher kept its id"
# The players' installation folder (HKLM SOFTWARE\KESTOVA, the 32-bit view) holds the
# data.r4x of a launcher from before: with no entry of an earlier installation, the setup
# installs there, keeps the id and offers the folder's Songs as the song folder.
earlier_folder() {
  local old="$WINEPREFIX/drive_c/TunovaOld" status=0
  rm -rf "$old"
  mkdir -p "$old"
  printf 'ROOM-ID-FROM-BEFORE' >"$old/data.r4x"
  "$WINE" reg add 'HKLM\SOFTWARE\KESTOVA' /v Tunova2016InstallDir /t REG_SZ /d 'C:\TunovaOld' \
    /reg:32 /f >/dev/null 2>&1 || return 1
  "$WINE" "$SETUP" /S '/PRODUCT=1234567890' || status=$?
  "$WINE" reg delete 'HKLM\SOFTWARE\KESTOVA' /reg:32 /f >/dev/null 2>&1 || true
  ((status == 0)) && [ -f "$old/orvik.exe" ] && [ "$(cat "$old/data.r4x")" = ROOM-ID-FROM-BEFORE ] &&
    tr -d '\r' <"$old/setting.env" | grep -qx 'tunova=C:\\TunovaOld\\Songs' || return 1
  "$WINE" 'C:\TunovaOld\uninstall.exe' /S '_?=C:\TunovaOld'
}
check "the setup chose the folder of the earlier launcher and kept its data.r4x" earlier_folder

if ((INSTALLER_ONLY == 0)) && [ "$ARCH" = win64 ]; then
  echo "== the README's lines for trying it under Wine"
  check "the README's Wine lines work as written" bash "$ROOT/tests/e2e/readme_wine_e2e.sh"
fi


((failures == 0)) || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
