#!/usr/bin/env bash
# Configures and builds Kelvaron into a build folder (default: build).
# Usage: scripts/build.sh [build-dir] [extra cmake options...]
# KELVARON_BUILD_TARGETS (space-separated) builds only those targets instead of everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
shift || true
# ccache, when present, makes a rebuild in a second build folder cheap.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
targets=()
[[ -n ${KELVARON_BUILD_TARGETS:-} ]] && targets=(--target ${KELVARON_BUILD_TARGETS})
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
