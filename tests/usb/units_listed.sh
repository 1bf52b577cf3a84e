#!/bin/sh
# kelvaron-get --units lists the Garmin unit umockdev plays, by its place (an emulated unit
# answers no control transfer, so its product string cannot be read). Skipped (77) where
# umockdev-run is missing.
# Usage: units_listed.sh KELVARON-GET DEVICE
set -eu
if ! command -v umockdev-run >/dev/null 2>&1; then
    echo "umockdev-run is not installed: skipped"
    exit 77
fi
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
export ASAN_OPTIONS
out=$(timeout 60 umockdev-run --device "$2" -- "$1" --units)
expected=$(printf 'usb:1\tgarmin\tGarmin USB — bus 1 port 1')
if ! printf '%s\n' "$out" | grep -qxF "$expected"; then
    printf 'kelvaron-get --units printed:\n%s\n' "$out"
    exit 1
fi
