#!/usr/bin/env bash
# Installs what Kelvaron needs on a fresh Debian 12 machine. Only packages that are
# missing are installed, so a second run costs nothing.
# Usage: scripts/setup.sh [run]
#   run: only what building and running the window and the simulated receiver need;
#   no argument: everything, for the tests, the sanitizer and fuzz builds and the package.
set -euo pipefail

# Building and running the window and kelvaron-sim.
packages=(build-essential cmake ninja-build pkg-config ccache
          qt6-base-dev qt6-serialport-dev libgl-dev
          libproj-dev proj-data libusb-1.0-0-dev)
if [[ ${1:-} != run ]]; then
    # The tests (GoogleTest, cs2cs and GPSBabel as independent readers, umockdev playing a
    # USB Garmin to libusb), the package check
    # (desktop-file-validate, a headless X server) and the fuzz build (clang, libFuzzer).
    packages+=(libgtest-dev libgmock-dev
               proj-bin gpsbabel desktop-file-utils clang-format
               xvfb xauth umockdev libumockdev-dev
               clang libclang-rt-14-dev)
fi

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
