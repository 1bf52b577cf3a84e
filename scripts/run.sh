#!/usr/bin/env bash
# Runs Kelvaron on a simulated receiver, so it can be tried without a GPS: installs what
# is missing, builds if needed, starts kelvaron-sim with its sample track (a hike in
# Israel) on a pseudo-terminal, and opens the window with port COM1 leading to it, in a
# settings store of its own. Press Save; when the program ends (a Garmin download ends
# it by itself, after its "Received ... records." message), this says where the track
# files are and shows their first lines.
set -euo pipefail

# The receiver family the simulator plays: magellan or garmin.
PROTOCOL=${KELVARON_DEMO_PROTOCOL:-garmin}
# The speed both ends use (an item of the window's speed list, and its index there).
SPEED=38400
SPEED_INDEX=9

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KELVARON_BUILD_DIR:-$root/build}

# Only what the window and the simulator need: no test framework, fuzzing toolchain or
# benchmark, and only the two programs are built (or brought up to date with the sources).
"$root/scripts/setup.sh" run
opts=()
# A fresh build folder leaves the tests out, so GoogleTest need not be installed; a folder
# the test command has configured keeps its tests.
[[ -f $build/CMakeCache.txt ]] || opts=(-DKELVARON_TESTS=OFF)
KELVARON_BUILD_TARGETS="kelvaron kelvaron-sim" "$root/scripts/build.sh" "$build" "${opts[@]}"

if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-} ]]; then
    echo "run.sh: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are empty)." >&2
    echo "        Run it in a desktop session, or under xvfb-run to try it without one." >&2
    exit 1
fi

demo=$(mktemp -d "${TMPDIR:-/tmp}/kelvaron-demo.XXXXXX")
link=$demo/gps
track=$demo/hike.txt
case $PROTOCOL in
    garmin) gps_type=1 ;;
    magellan) gps_type=0 ;;
    *) echo "run.sh: PROTOCOL must be garmin or magellan, not '$PROTOCOL'" >&2; exit 2 ;;
esac

# The program's own store, as ~/.config/Kelvaron/Kelvaron.conf is for a real receiver.
mkdir -p "$demo/config/Kelvaron"
cat > "$demo/config/Kelvaron/Kelvaron.conf" <<CONF
[Ports]
COM1=$link

[Settings]
1StUse2=1
GPSType=$gps_type
COM=0
Speed=$SPEED_INDEX
FName=$track
CorSys=0
Reduce=0
Dev=10
CONF

"$build/tools/kelvaron-sim" --protocol "$PROTOCOL" --speed "$SPEED" --link "$link" \
    --log "$demo/receiver.log" \
    > "$demo/sim.out" 2> "$demo/sim.err" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    grep -q "device" "$demo/sim.out" 2>/dev/null && break
    sleep 0.1
done
if ! grep -q "device" "$demo/sim.out"; then
    echo "run.sh: the simulated receiver did not start:" >&2
    cat "$demo/sim.err" >&2
    exit 1
fi

echo "Simulated $PROTOCOL receiver on $(sed 's/^kelvaron-sim: device //' "$demo/sim.out")."
echo "Kelvaron's port COM1 leads to it; press Save to download its track to $track."
if [[ $PROTOCOL == garmin ]]; then
    echo "With \"Split On New Segment\" ticked, each track segment gets a numbered file"
    echo "($(basename "$track" .txt)1.txt, $(basename "$track" .txt)2.txt, ...). The program ends when the download is done."
fi
status=0
XDG_CONFIG_HOME=$demo/config "$build/window/kelvaron" || status=$?

shopt -s nullglob
files=("$demo"/hike*.txt)
if ((${#files[@]})); then
    for f in "${files[@]}"; do
        echo
        echo "The track was saved to $f ($(wc -l < "$f") points). Its first lines:"
        head -n 5 "$f"
    done
else
    echo
    echo "No track file was written (Save was not pressed, or the download did not finish)."
fi
echo "The demo's settings, files and receiver log are in $demo."
exit "$status"
