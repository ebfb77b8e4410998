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

# Until the main window exists, paint a demo scene with the command-line renderer.
out="${1:-skyloom-demo.bmp}"
build/skyloom-render --size 800x600 \
    --effect StarField --seed 11 \
    --effect Nebula --rect 80,60,560,420 --seed 12 \
    --effect Galaxy --rect 420,260,780,560 --seed 13 \
    --effect Earth --rect 40,330,300,590 --seed 14 \
    --effect "Lens Flare" --rect 560,20,760,180 --seed 15 \
    -o "$out"
echo "The main window is not built yet. A demo scene was painted into $out;"
echo "see 'build/skyloom-render --help' for painting your own."
