#!/bin/sh
# Runs cases of usb_umockdev_tests against the Garmin unit umockdev plays: DEVICE describes
# it, EXCHANGE is its side of the transfers (turned into umockdev's ioctl script first).
# Skipped (77) where umockdev-run is missing.
# Usage: run_umockdev.sh TOOL PROGRAM DEVICE EXCHANGE GTEST_FILTER
set -eu
if ! command -v umockdev-run >/dev/null 2>&1; then
    echo "umockdev-run is not installed: skipped"
    exit 77
fi
tool=$1 program=$2 device=$3 exchange=$4 filter=$5
script=$(mktemp)
trap 'rm -f "$script"' EXIT
"$tool" "$exchange" >"$script"
# umockdev's preload library comes before ASan's runtime in a sanitizer build.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
export ASAN_OPTIONS
KELVARON_USB_EXCHANGE=$exchange
export KELVARON_USB_EXCHANGE
# A transfer the script does not answer hangs rather than failing.
status=0
timeout 60 umockdev-run --device "$device" --ioctl "/dev/bus/usb/001/002=$script" -- \
    "$program" --gtest_filter="$filter" || status=$?
exit "$status"
