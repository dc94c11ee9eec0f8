#!/usr/bin/env bash
# The README's first command: installs what the Linux launcher needs (nothing of the tests
# or the Windows builds), builds the launcher, the reference song service and the demo
# programs, and runs the launcher on a demo installation (demo/ in this checkout).
# Options go to run-demo.sh: --fresh (start the demo over), --headless (Xvfb walkthrough).
set -euo pipefail
cd "$(dirname "$0")/.."
sets=(launcher)
# Without a display the demo runs under Xvfb with a walkthrough pressing the buttons.
if [ -z "${DISPLAY:-}" ] || [[ " $* " == *" --headless "* ]]; then sets+=(xvfb); fi
bash scripts/install-deps.sh "${sets[@]}"
# Without GoogleTest (not installed here) the configuration leaves the tests out; only the
# programs the demo runs are built.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target orvik orvik-songsvc orvik-demo-player orvik-demo-songlist
exec bash scripts/run-demo.sh --build build --dir demo "$@"
