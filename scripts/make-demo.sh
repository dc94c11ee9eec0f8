#!/usr/bin/env bash
# Creates or refreshes a demo installation of Orvik from a build folder.
#
#   bash scripts/make-demo.sh --build BUILD --dir DEMO [--fresh]
#
# DEMO is the launcher's module folder (orvik, setting.env, bin/images/) with a Tunova
# installation beside it (stand-in player, song-list program, song store) and the reference
# service's data (catalogue, banners, work folder). The catalogue holds more songs than the
# store, and the store holds one song the catalogue no longer has:
#   store      songs 1-250 and 1000-1099, plus the withdrawn song 2001      (351 songs)
#   catalogue  songs 1-250 and 1000-1249                                    (500 songs)
# An existing store is kept (so a second start shows what the first one changed) unless
# --fresh is given; programs and pictures are always refreshed. setting.env is written by
# run-demo.sh, which knows the service's address.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build"
DEMO="$ROOT/demo"
FRESH=0
while (($#)); do
  case "$1" in
    --build) BUILD=$(cd "$2" && pwd); shift 2 ;;
    --dir) DEMO=$2; shift 2 ;;
    --fresh) FRESH=1; shift ;;
    *) echo "make-demo.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
mkdir -p "$DEMO"
DEMO=$(cd "$DEMO" && pwd)

for program in src/app/orvik tools/songsvc/orvik-songsvc tools/demo/orvik-demo-player \
  tools/demo/orvik-demo-songlist; do
  [ -x "$BUILD/$program" ] || { echo "make-demo.sh: $BUILD/$program is not built" >&2; exit 1; }
done

if ((FRESH)); then
  # Only what this script and the launcher make; the folder itself may be a mount point.
  # The service's test certificates stay: making them takes seconds, and they are reused
  # only while valid.
  (
    cd "$DEMO"
    rm -rf orvik setting.env data.r4x songs.txt bin Tunova service/catalog service/banners \
      service/work screenshots logs ./*.zip ./*.zip.part
  )
fi

# A song's placeholder bytes: the same for the store and the catalogue, so a store that has
# been brought up to date equals the catalogue file by file.
printf -v FILLER '%0.s lalala' {1..512}
# No command substitutions or programs per song: forks are what make this slow.
write_song() {  # folder number
  local block name
  block="$1/K$(($2 / 1000))000"
  [ -d "$block" ] || mkdir -p "$block"
  printf -v name '%05d.sgd' "$2"
  printf 'SGD demo song %05d\n%s\n' "$2" "$FILLER" >"$block/$name"
}
write_songs() {  # folder first last
  local n
  for ((n = $2; n <= $3; n++)); do write_song "$1" "$n"; done
}

# The launcher, copied: its module folder is where its executable really lies.
install -m 755 "$BUILD/src/app/orvik" "$DEMO/orvik"

# Banner and service pictures the window loads from bin/images/.
mkdir -p "$DEMO/bin/images"
cp "$ROOT"/data/images/* "$DEMO/bin/images/"

# The player installation: stand-in player and list program under the names a real one has.
mkdir -p "$DEMO/Tunova"
install -m 755 "$BUILD/tools/demo/orvik-demo-player" "$DEMO/Tunova/tunova"
install -m 755 "$BUILD/tools/demo/orvik-demo-songlist" "$DEMO/Tunova/songlist"
if [ ! -d "$DEMO/Tunova/Songs" ]; then
  write_songs "$DEMO/Tunova/Songs" 1 250
  write_songs "$DEMO/Tunova/Songs" 1000 1099
  write_song "$DEMO/Tunova/Songs" 2001
fi

# What the reference service offers.
if [ ! -d "$DEMO/service/catalog" ]; then
  write_songs "$DEMO/service/catalog" 1 250
  write_songs "$DEMO/service/catalog" 1000 1249
fi
mkdir -p "$DEMO/service/banners" "$DEMO/service/work" "$DEMO/logs"
if [ -z "$(ls -A "$DEMO/service/banners")" ]; then
  # The service's own banners join the rolling banner after the launcher's pictures.
  cp "$ROOT/data/images/tunovaPRO.png" "$DEMO/service/banners/event-pro.png"
  cp "$ROOT/data/images/tunovaNEW.png" "$DEMO/service/banners/event-new.png"
fi
