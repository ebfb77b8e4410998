#!/usr/bin/env bash
# Builds Skyloom and starts it; arguments are passed on (a picture file to open).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build
cmake --build build -j "$(nproc)"
if [ -x build/skyloom ]; then
    exec build/skyloom "$@"
fi
echo "The main window is not built yet; the engine and its tests are."
echo "Run scripts/test.sh to build and run every test."
