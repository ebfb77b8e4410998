#!/usr/bin/env bash
# Builds Skyloom and starts it; arguments are passed on (a picture file to open).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build
cmake --build build -j "$(nproc)"
exec build/skyloom "$@"
