#!/usr/bin/env bash
# The README's first command: installs what is missing, builds, and runs the launcher on a
# demo installation (demo/ in this checkout) against the reference song service.
# Options go to run-demo.sh: --fresh (start the demo over), --headless (Xvfb walkthrough).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exec bash scripts/run-demo.sh --build build --dir demo "$@"
