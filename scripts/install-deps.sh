#!/usr/bin/env bash
# Installs the Debian packages Quillon needs to build, test and run.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev libxkbcommon-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libuchardet-dev
    fonts-liberation2 fonts-dejavu-core
    xvfb xauth xdotool imagemagick xdg-utils
    clang libclang-rt-14-dev clang-format clang-tidy
    strace time
    desktop-file-utils appstream shared-mime-info librsvg2-bin dpkg-dev debootstrap
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
