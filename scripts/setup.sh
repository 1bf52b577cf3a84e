#!/usr/bin/env bash
# Installs what Kelvaron needs to build and test on a fresh Debian 12 machine.
# Only packages that are missing are installed, so a second run costs nothing.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config ccache
          qt6-base-dev qt6-serialport-dev libgl-dev
          libgtest-dev libgmock-dev
          libproj-dev proj-data proj-bin gpsbabel desktop-file-utils
          xvfb xauth
          clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
