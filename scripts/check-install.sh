#!/usr/bin/env bash
# Checks an installation of Skyloom with nothing of the build tree to lean on: installs
# into a temporary prefix, moves the prefix elsewhere, then checks that the installed
# skyloom-render paints a galaxy with its gas texture (also with the texture folder gone:
# the default texture is compiled in) and that the installed skyloom starts and finds its
# manual.
#
#   scripts/check-install.sh             a clean clone of HEAD is built, installed and
#                                        deleted before the checks (what CI runs)
#   scripts/check-install.sh BUILD_DIR   installs an existing build; the build and source
#                                        trees are hidden from the checks where user
#                                        namespaces allow (the CTest test)
set -euo pipefail

fail() { echo "check-install: $*" >&2; exit 1; }

# The checks themselves: --checks PREFIX WORK.
if [ "${1:-}" = --checks ]; then
    prefix=$2
    work=$3
    # The programs' settings and logs go to the scratch folder, never the user's.
    export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
    export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p "$XDG_CONFIG_HOME"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    render="$prefix/bin/skyloom-render"
    galaxy=(--size 160x120 --effect Galaxy --rect 0,0,160,120 --seed 5)
    # A gas texture that cannot be found is refused (exit 2), so success means found.
    "$render" "${galaxy[@]}" --set "GasTexture=Loose spiral.jpg" -o "$work/spiral.png" ||
        fail "the installed skyloom-render cannot paint a galaxy with its gas texture"
    "$render" "${galaxy[@]}" -o "$work/plain.png" || fail "the installed skyloom-render fails"
    ! cmp -s "$work/spiral.png" "$work/plain.png" || fail "the gas texture changed nothing"
    [ -f "$prefix/share/skyloom/Textures/Galaxy/Loose spiral.jpg" ] || fail "Textures/Galaxy is not installed"
    [ -n "$(ls "$prefix/share/skyloom/Library")" ] || fail "the Library is not installed"
    # The default texture is compiled in: the same galaxy without the folder.
    rm -r "$prefix/share/skyloom/Textures"
    "$render" "${galaxy[@]}" --set "GasTexture=Loose spiral.jpg" -o "$work/built-in.png" ||
        fail "without Textures/Galaxy the default gas texture is missing"
    cmp -s "$work/spiral.png" "$work/built-in.png" || fail "the built-in gas texture differs from the installed one"

    if command -v help2man >/dev/null; then
        grep -q -- "--replay" "$prefix/share/man/man1/skyloom-render.1" ||
            fail "the manual page of skyloom-render is missing or empty"
    fi

    run=()
    [ -n "${DISPLAY:-}" ] || run=(xvfb-run -a)
    manual=$("${run[@]}" "$prefix/bin/skyloom" --help | sed -n 's/^Manual: //p')
    [ "$manual" = "$prefix/share/skyloom/help/skyhelp.htm" ] ||
        fail "the installed skyloom finds its manual at \"$manual\""
    # The window starts with a picture and is still running when stopped.
    status=0
    "${run[@]}" timeout 4 "$prefix/bin/skyloom" "$work/spiral.png" || status=$?
    [ "$status" = 124 ] || fail "the installed skyloom ended by itself with status $status"
    echo "check-install: the installed programs work without the build tree"
    exit 0
fi

here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
hidden=()
if [ $# -eq 0 ]; then
    git clone -q "$here" "$work/src"
    cmake -S "$work/src" -B "$work/src/build" -DSKYLOOM_BUILD_TESTS=OFF \
        -DSKYLOOM_BUILD_BENCH=OFF >/dev/null
    cmake --build "$work/src/build" -j "$(nproc)" >/dev/null
    cmake --install "$work/src/build" --prefix "$work/prefix" >/dev/null
    rm -rf "$work/src"
else
    build=$(cd "$1" && pwd)
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    hidden=("$build" "$here")
fi
# An installed tree finds its folders from the executable, wherever the prefix went.
mv "$work/prefix" "$work/moved"
cp "$0" "$work/checks.sh"

# Hidden trees are covered by empty folders in a private mount namespace.
if [ ${#hidden[@]} -gt 0 ] && unshare -rm true 2>/dev/null; then
    mounts=""
    for dir in "${hidden[@]}"; do
        mounts+="mount -t tmpfs tmpfs '$dir' && "
    done
    unshare -rm sh -c "${mounts}bash '$work/checks.sh' --checks '$work/moved' '$work'"
else
    [ ${#hidden[@]} -eq 0 ] || echo "check-install: note: no private mount namespace; the build tree stays visible"
    bash "$work/checks.sh" --checks "$work/moved" "$work"
fi
