#!/usr/bin/env bash
# GPSBabel and kelvaron-get download the same track from kelvaron-sim as a colour unit and as a
# fitness unit; both GPX files, reduced to tracks, segments and points, must agree. GPSBabel
# names a numbered track by its number alone and writes 1.0e25 as an elevation; Kelvaron says
# "Track N" and leaves such an elevation out.
# Usage: gpsbabel_layouts.sh SIM KELVARON_GET TRACK_FILE
set -euo pipefail
sim=$1 get=$2 track=$3
command -v gpsbabel >/dev/null || { echo "no gpsbabel: skipped"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# One line per track ("track NAME"), segment, and point (lat lon time elevation); positions to
# a centimetre, as GPSBabel prints one more decimal than Kelvaron and rounds once more.
outline() {
    awk 'BEGIN { RS = "<" }
        /^trk>/ { intrk = 1 }
        /^name>/ && intrk && !inpt { n = substr($0, 6); sub(/^Track /, "", n); print "track " n }
        /^trkseg>/ { print "segment" }
        /^trkpt / { inpt = 1; ele = "-"; time = "-"
                    match($0, /lat="[^"]*"/); lat = substr($0, RSTART + 5, RLENGTH - 6)
                    match($0, /lon="[^"]*"/); lon = substr($0, RSTART + 5, RLENGTH - 6) }
        /^ele>/ && inpt { e = substr($0, 5) + 0; if (e < 1e24) ele = sprintf("%.2f", e) }
        /^time>/ && inpt { time = substr($0, 6) }
        /^\/trkpt>/ { printf "point %.7f %.7f %s %s\n", lat, lon, time, ele; inpt = 0 }' "$1"
}

# Serves one download on DEVICE, waiting until the link exists.
serve() {
    "$sim" --unpaced --once --caps "$1" --track "$track" --link "$2" >"$dir/sim.log" 2>&1 &
    for _ in $(seq 50); do [[ -e $2 ]] && return; sleep 0.1; done
    echo "kelvaron-sim made no device"; cat "$dir/sim.log"; exit 1
}

status=0
for caps in l001-d312 l001-d311; do
    serve "$caps" "$dir/babel-$caps"
    timeout 60 gpsbabel -t -i garmin -f "$dir/babel-$caps" -o gpx -F "$dir/babel.gpx"
    wait
    serve "$caps" "$dir/get-$caps"
    HOME=$dir XDG_CONFIG_HOME=$dir timeout 60 "$get" --gps garmin --port "$dir/get-$caps" \
        --speed 9600 --out "$dir/kelvaron.gpx" --quiet
    wait
    outline "$dir/babel.gpx" >"$dir/babel.txt"
    outline "$dir/kelvaron.gpx" >"$dir/kelvaron.txt"
    if ! diff "$dir/babel.txt" "$dir/kelvaron.txt"; then
        echo "--caps $caps: GPSBabel (<) and kelvaron-get (>) disagree"
        status=1
    elif [[ ! -s $dir/kelvaron.txt ]]; then
        echo "--caps $caps: nothing downloaded"
        status=1
    fi
done
exit $status
