#!/usr/bin/env bash
# Builds Skyloom and runs every test. SKYLOOM_SANITIZE=1 builds under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

build=build
options=()
if [ "${SKYLOOM_SANITIZE:-0}" = 1 ]; then
    build=build-sanitize
    options+=(-DSKYLOOM_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    # System libraries' own leaks, listed by name; every leak of ours still fails.
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    # The runtime's watch on dynamically loaded libraries' thread-local blocks takes a
    # block that happens to start at a certain page offset for an old glibc layout and
    # crashes the leak checker at exit (a known fault of GCC 12's runtime); leaks are
    # still checked in every other memory.
    export ASAN_OPTIONS="intercept_tls_get_addr=0"
fi
cmake -S . -B "$build" "${options[@]}"
cmake --build "$build" -j "$(nproc)"
# Tests that open windows need a display; a virtual one serves them all.
xvfb-run -a ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
