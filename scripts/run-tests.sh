#!/usr/bin/env bash
# Builds Orvik and runs every test. This is what CI runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cd build
ctest --output-on-failure -j2 --timeout 600
