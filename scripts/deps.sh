#!/usr/bin/env bash
# Installs the Debian 12 packages Skyloom needs to build, run and test, if any are missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev libqt6opengl6-dev
    libjpeg62-turbo-dev libpng-dev
    libgl-dev libglu1-mesa-dev libegl-dev libegl1-mesa-dev libgl1-mesa-dri
    qt6-wayland
    googletest libgtest-dev libbenchmark-dev
    libstb-dev
    xvfb xauth imagemagick libjpeg-turbo-progs
    locales xdotool xclip
    desktop-file-utils appstream
    help2man
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests check that numbers read and write the same under a comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: no de_DE.UTF-8 locale; its tests will be skipped"
fi
