#!/usr/bin/env bash
# Installs the Debian 12 packages Skyloom needs to build, run and test, if any are missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev libqt6opengl6-dev
    libjpeg62-turbo-dev
    libgl-dev libglu1-mesa-dev libegl-dev libegl1-mesa-dev libgl1-mesa-dri
    googletest libgtest-dev libbenchmark-dev
    xvfb xauth imagemagick libjpeg-turbo-progs
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
