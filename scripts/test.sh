#!/usr/bin/env bash
# The one command that passes the tests on a fresh machine:
# installs what is missing, builds, and runs every test headless.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
dir=${KELVARON_BUILD_DIR:-$root/build}
# The tests are built even in a folder the run command configured without them.
opts=(-DKELVARON_TESTS=ON ${KELVARON_CMAKE_OPTIONS:-})
# CI treats every compiler warning as an error.
[[ "${CI:-}" == true ]] && opts+=(-DKELVARON_WERROR=ON)
"$root/scripts/build.sh" "$dir" "${opts[@]}"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 300
