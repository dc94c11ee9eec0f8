#!/usr/bin/env bash
# Installs everything, configures and builds all of Orvik (tests and benchmarks included)
# into build/ (two jobs; this is a two-core machine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j2
