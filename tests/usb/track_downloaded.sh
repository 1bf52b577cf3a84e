#!/bin/sh
# kelvaron-get downloads a whole track from a Garmin on USB through libusb, the unit played
# by umockdev from the transfers recorded against kelvaron-sim's unit, and writes the same
# GPX file as its download of kelvaron-sim's serial unit. Skipped (77) where umockdev-run is
# missing.
# Usage: track_downloaded.sh KELVARON-GET KELVARON-SIM EXCHANGE-TOOL DEVICE TRANSFERS
set -eu
if ! command -v umockdev-run >/dev/null 2>&1; then
    echo "umockdev-run is not installed: skipped"
    exit 77
fi
get=$1 sim=$2 tool=$3 device=$4 transfers=$5
tmp=$(mktemp -d)
simpid=
trap '[ -n "$simpid" ] && kill "$simpid" 2>/dev/null; rm -rf "$tmp"' EXIT
XDG_CONFIG_HOME=$tmp/config
export XDG_CONFIG_HOME

# The serial download of the same unit.
"$sim" --protocol garmin --link "$tmp/gps" >"$tmp/sim.out" 2>"$tmp/sim.err" &
simpid=$!
tries=0
until grep -q device "$tmp/sim.out" 2>/dev/null; do
    tries=$((tries + 1))
    [ "$tries" -gt 100 ] && { cat "$tmp/sim.err"; exit 1; }
    sleep 0.1
done
timeout 60 "$get" --quiet --gps garmin --port "$tmp/gps" --switch-speed off --out "$tmp/serial.gpx"

# The recorded transfers as the unit's side of the exchange (the program's reads are implied
# by the unit's answers).
sed -n -e 's/^write zero-length$/out bulk 02/p' -e 's/^write /out bulk 02 /p' \
    -e 's/^got interrupt /in interrupt 83 /p' -e 's/^got bulk zero-length$/in bulk 81/p' \
    -e 's/^got bulk /in bulk 81 /p' "$transfers" >"$tmp/exchange.txt"
"$tool" "$tmp/exchange.txt" >"$tmp/exchange.ioctl"
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
export ASAN_OPTIONS
timeout 60 umockdev-run --device "$device" --ioctl "/dev/bus/usb/001/002=$tmp/exchange.ioctl" -- \
    "$get" --quiet --gps garmin --port usb --out "$tmp/usb.gpx"

if ! cmp -s "$tmp/serial.gpx" "$tmp/usb.gpx"; then
    diff "$tmp/serial.gpx" "$tmp/usb.gpx" | head -20
    exit 1
fi
echo "$(grep -c '<trkpt' "$tmp/usb.gpx") points, the same over USB as over the serial line"
